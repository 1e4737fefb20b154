#pragma once
// Inflates gzip or zlib bodies: chunk by chunk as they arrive, in one piece from memory, or from one
// file into another. One instance serves one body from start to end.

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

  // The bytes inflated from this chunk (possibly none yet); nothing for an empty chunk or on an
  // error, which is stored through `error` when given. Input behind the end of the stream is ignored.
  std::optional<std::string> uncompressBytes(const char* bytes, std::size_t length, HTTPErrorPtr* error = nullptr);

  // A whole body with a fresh decompressor; nothing for an empty body or on an error.
  static std::optional<std::string> uncompressData(std::string_view data, HTTPErrorPtr* error = nullptr);
  // Inflates a file into another (replaced) file.
  static bool uncompressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                     HTTPErrorPtr* error = nullptr);

  static HTTPErrorPtr inflateErrorWithCode(int code) { return errorWithCode(Kind::Inflate, code); }
};

}  // namespace td
