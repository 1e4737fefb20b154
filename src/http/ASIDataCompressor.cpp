#include "http/ASIDataCompressor.h"

#include <algorithm>

namespace td {

std::unique_ptr<ASIDataCompressor> ASIDataCompressor::compressor() {
  auto c = std::make_unique<ASIDataCompressor>();
  c->setupStream();
  return c;
}

std::optional<std::string> ASIDataCompressor::run(const char* bytes, std::size_t length, HTTPErrorPtr* error,
                                                  bool finish) {
  if (!streamReady()) {
    if (error) *error = deflateErrorWithCode(Z_STREAM_ERROR);
    return std::nullopt;
  }
  // Grow by half the input, but always by something, so that tiny inputs and the gzip trailer fit.
  const std::size_t growth = std::max<std::size_t>(length / 2, 64);
  std::string out(length / 2, '\0');
  zStream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
  zStream_.avail_in = static_cast<uInt>(length);
  zStream_.avail_out = 0;
  const uLong start = zStream_.total_out;
  do {
    const std::size_t produced = zStream_.total_out - start;
    if (produced >= out.size()) out.resize(out.size() + growth);
    zStream_.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    zStream_.avail_out = static_cast<uInt>(out.size() - produced);
    const int status = deflate(&zStream_, finish ? Z_FINISH : Z_NO_FLUSH);
    if (status == Z_STREAM_END) break;
    // No progress possible: all input taken and nothing more to write out now.
    if (status == Z_BUF_ERROR && zStream_.avail_in == 0 && !finish) break;
    if (status != Z_OK) {
      if (error) *error = deflateErrorWithCode(status);
      return std::nullopt;
    }
  } while (zStream_.avail_out == 0);
  out.resize(zStream_.total_out - start);
  return out;
}

std::optional<std::string> ASIDataCompressor::compressBytes(const char* bytes, std::size_t length, HTTPErrorPtr* error,
                                                            bool shouldFinish) {
  if (length == 0) return std::nullopt;
  return run(bytes, length, error, shouldFinish);
}

std::optional<std::string> ASIDataCompressor::compressData(std::string_view data, HTTPErrorPtr* error) {
  return compressor()->compressBytes(data.data(), data.size(), error, true);
}

bool ASIDataCompressor::compressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                             HTTPErrorPtr* error) {
  auto c = compressor();
  // The stream is finished at the end of the input, also when the last slice is empty.
  auto step = [&](std::string_view slice, bool last, HTTPErrorPtr* e) {
    return c->run(slice.data(), slice.size(), e, last);
  };
  return c->codeFile(step, sourcePath, destinationPath, error);
}

}  // namespace td
