#include "http/ASIDataDecompressor.h"

#include <algorithm>

namespace td {

std::unique_ptr<ASIDataDecompressor> ASIDataDecompressor::decompressor() {
  auto d = std::make_unique<ASIDataDecompressor>();
  d->setupStream();
  return d;
}

std::optional<std::string> ASIDataDecompressor::uncompressBytes(const char* bytes, std::size_t length,
                                                                HTTPErrorPtr* error) {
  if (length == 0) return std::nullopt;
  if (!streamReady()) {
    if (error) *error = inflateErrorWithCode(Z_STREAM_ERROR);
    return std::nullopt;
  }
  const std::size_t growth = std::max<std::size_t>(length / 2, 1);
  std::string out(length + length / 2, '\0');
  zStream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
  zStream_.avail_in = static_cast<uInt>(length);
  zStream_.avail_out = 0;
  const uLong start = zStream_.total_out;
  while (zStream_.avail_in != 0) {
    std::size_t produced = zStream_.total_out - start;
    if (produced >= out.size()) out.resize(out.size() + growth);
    zStream_.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    zStream_.avail_out = static_cast<uInt>(out.size() - produced);
    const int status = inflate(&zStream_, Z_NO_FLUSH);
    if (status == Z_STREAM_END) break;
    if (status != Z_OK) {
      if (error) *error = inflateErrorWithCode(status);
      return std::nullopt;
    }
  }
  out.resize(zStream_.total_out - start);
  return out;
}

std::optional<std::string> ASIDataDecompressor::uncompressData(std::string_view data, HTTPErrorPtr* error) {
  return decompressor()->uncompressBytes(data.data(), data.size(), error);
}

bool ASIDataDecompressor::uncompressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                                 HTTPErrorPtr* error) {
  auto d = decompressor();
  auto step = [&](std::string_view slice, bool, HTTPErrorPtr* e) {
    return d->uncompressBytes(slice.data(), slice.size(), e);
  };
  return d->codeFile(step, sourcePath, destinationPath, error);
}

}  // namespace td
