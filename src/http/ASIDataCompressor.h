#pragma once
// Deflates request bodies into the gzip format, in memory or from one file into another. One instance
// serves one body from start to end.

#include <zlib.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/HTTPError.h"

namespace td {

class ASIDataCompressor {
 public:
  ASIDataCompressor() = default;
  ~ASIDataCompressor();
  ASIDataCompressor(const ASIDataCompressor&) = delete;
  ASIDataCompressor& operator=(const ASIDataCompressor&) = delete;

  static std::unique_ptr<ASIDataCompressor> compressor();

  HTTPErrorPtr setupStream();
  HTTPErrorPtr closeStream();
  bool streamReady() const { return streamReady_; }

  // The deflated bytes this call produces; `shouldFinish` ends the gzip stream. Nothing for an
  // empty input or on an error (stored through `error` when given).
  std::optional<std::string> compressBytes(const char* bytes, std::size_t length, HTTPErrorPtr* error,
                                           bool shouldFinish);

  // A complete gzip stream of the data; nothing for empty data or on an error.
  static std::optional<std::string> compressData(std::string_view data, HTTPErrorPtr* error = nullptr);
  // Deflates a file into another (replaced) file as one complete gzip stream.
  static bool compressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                   HTTPErrorPtr* error = nullptr);

  static HTTPErrorPtr deflateErrorWithCode(int code);

 private:
  // Runs deflate over the input (possibly none) until it needs more input or, when finishing, until
  // the stream has ended.
  std::optional<std::string> run(const char* bytes, std::size_t length, HTTPErrorPtr* error, bool finish);

  z_stream zStream_{};
  bool streamReady_ = false;
};

}  // namespace td
