#include "http/ASIDataDecompressor.h"

#include <algorithm>

namespace td {

std::unique_ptr<ASIDataDecompressor> ASIDataDecompressor::decompressor() {
  auto d = std::make_unique<ASIDataDecompressor>();
  d->setupStream();
  return d;
}

HTTPErrorPtr ASIDataDecompressor::truncatedStreamError() {
  // zlib's "buffer error": the stream wanted more input than the body had.
  return HTTPError::make(NetworkRequestErrorDomain, ASICompressionError, inflateErrorWithCode(Z_BUF_ERROR)->description,
                         nullptr, "The compressed body ended before its end of stream");
}

HTTPErrorPtr ASIDataDecompressor::outputLimitError(std::uint64_t limit) {
  return HTTPError::request(ASICompressionError, "Decompression of data failed because the data inflates to more than " +
                                                     std::to_string(limit) + " bytes");
}

bool ASIDataDecompressor::inflateChunk(const char* bytes, std::size_t length, std::string& out, HTTPErrorPtr* error) {
  if (!streamReady() && !streamEnded_) {
    if (error) *error = inflateErrorWithCode(Z_STREAM_ERROR);
    return false;
  }
  sawInput_ = true;
  if (streamEnded_) return true;  // input behind the end of the stream
  const std::size_t growth = std::max<std::size_t>(length / 2, 1);
  out.assign(length + length / 2, '\0');
  zStream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
  zStream_.avail_in = static_cast<uInt>(length);
  zStream_.avail_out = 0;
  const uLong start = zStream_.total_out;
  while (zStream_.avail_in != 0) {
    const std::size_t produced = zStream_.total_out - start;
    if (produced >= out.size()) out.resize(out.size() + growth);
    zStream_.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    zStream_.avail_out = static_cast<uInt>(out.size() - produced);
    const int status = inflate(&zStream_, Z_NO_FLUSH);
    if (outputLimit_ != 0 && zStream_.total_out > outputLimit_) {
      if (error) *error = outputLimitError(outputLimit_);
      return false;
    }
    if (status == Z_STREAM_END) {
      streamEnded_ = true;
      break;
    }
    if (status != Z_OK) {
      if (error) *error = inflateErrorWithCode(status);
      return false;
    }
  }
  out.resize(zStream_.total_out - start);
  return true;
}

std::optional<std::string> ASIDataDecompressor::uncompressBytes(const char* bytes, std::size_t length,
                                                                HTTPErrorPtr* error) {
  if (length == 0) return std::nullopt;
  std::string out;
  if (!inflateChunk(bytes, length, out, error)) return std::nullopt;
  return out;
}

std::optional<std::string> ASIDataDecompressor::uncompressData(std::string_view data, HTTPErrorPtr* error,
                                                               std::uint64_t limit) {
  if (data.empty()) return std::nullopt;
  auto d = decompressor();
  d->setOutputLimit(limit);
  std::string out;
  if (!d->inflateChunk(data.data(), data.size(), out, error)) return std::nullopt;
  if (d->streamEnded()) return out;
  if (error) *error = truncatedStreamError();
  return std::nullopt;
}

bool ASIDataDecompressor::uncompressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                                 HTTPErrorPtr* error) {
  auto d = decompressor();
  auto step = [&](std::string_view slice, bool, HTTPErrorPtr* e) {
    return d->uncompressBytes(slice.data(), slice.size(), e);
  };
  if (!d->codeFile(step, sourcePath, destinationPath, error)) return false;
  // An empty source is an empty body; any other must have reached its end.
  if (!d->sawInput_ || d->streamEnded_) return true;
  if (error) *error = truncatedStreamError();
  return false;
}

}  // namespace td
