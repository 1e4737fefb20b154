#pragma once
// Inflates gzip or zlib bodies: chunk by chunk as they arrive, in one piece from memory, or from one
// file into another. One instance serves one body from start to end. A body counts as whole only once
// its end of stream has been read, with the check value and the length in its trailer matching what
// was inflated; a whole-body call fails on a body that stops before that.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/ASIDataCodec.h"

namespace td {

class ASIDataDecompressor : public ASIDataCodec {
 public:
  ASIDataDecompressor() : ASIDataCodec(Kind::Inflate) {}

  // A new instance with its stream set up (an error of the set-up leaves streamReady() false).
  static std::unique_ptr<ASIDataDecompressor> decompressor();

  // The most bytes the whole body may inflate to; past it uncompressBytes fails. 0: no bound.
  void setOutputLimit(std::uint64_t limit) { outputLimit_ = limit; }
  // Whether the end of the stream has been read (its trailer checked).
  bool streamEnded() const { return streamEnded_; }

  // The bytes inflated from this chunk (possibly none yet); nothing for an empty chunk or on an
  // error, which is stored through `error` when given. Input behind the end of the stream is ignored.
  std::optional<std::string> uncompressBytes(const char* bytes, std::size_t length, HTTPErrorPtr* error = nullptr);

  // A whole body with a fresh decompressor, bounded by `limit` (0: none); nothing for an empty body or
  // on an error, a body without its end of stream included.
  static std::optional<std::string> uncompressData(std::string_view data, HTTPErrorPtr* error = nullptr,
                                                   std::uint64_t limit = 0);
  // Inflates a file into another (replaced) file; a source without its end of stream fails.
  static bool uncompressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                     HTTPErrorPtr* error = nullptr);

  static HTTPErrorPtr inflateErrorWithCode(int code) { return errorWithCode(Kind::Inflate, code); }
  // The failure of a body that stopped before its end of stream.
  static HTTPErrorPtr truncatedStreamError();
  // The failure of a body that inflates to more than `limit` bytes.
  static HTTPErrorPtr outputLimitError(std::uint64_t limit);

 private:
  // Inflates one chunk into `out` (what it held goes).
  bool inflateChunk(const char* bytes, std::size_t length, std::string& out, HTTPErrorPtr* error);

  std::uint64_t outputLimit_ = 0;
  bool streamEnded_ = false;
  bool sawInput_ = false;
};

}  // namespace td
