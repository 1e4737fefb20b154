#pragma once
// Deflates request bodies into the gzip format, in memory or from one file into another. One instance
// serves one body from start to end.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/ASIDataCodec.h"

namespace td {

class ASIDataCompressor : public ASIDataCodec {
 public:
  ASIDataCompressor() : ASIDataCodec(Kind::Deflate) {}

  static std::unique_ptr<ASIDataCompressor> compressor();

  // The deflated bytes this call produces; `shouldFinish` ends the gzip stream. Nothing for an
  // empty input or on an error (stored through `error` when given).
  std::optional<std::string> compressBytes(const char* bytes, std::size_t length, HTTPErrorPtr* error,
                                           bool shouldFinish);

  // A complete gzip stream of the data; nothing for empty data or on an error.
  static std::optional<std::string> compressData(std::string_view data, HTTPErrorPtr* error = nullptr);
  // Deflates a file into another (replaced) file as one complete gzip stream.
  static bool compressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                   HTTPErrorPtr* error = nullptr);

  static HTTPErrorPtr deflateErrorWithCode(int code) { return errorWithCode(Kind::Deflate, code); }

 private:
  // Runs deflate over the input (possibly none) until it needs more input or, when finishing, until
  // the stream has ended.
  std::optional<std::string> run(const char* bytes, std::size_t length, HTTPErrorPtr* error, bool finish);
};

}  // namespace td
