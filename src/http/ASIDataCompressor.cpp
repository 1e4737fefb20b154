#include "http/ASIDataCompressor.h"

#include "http/ASIDataCodecFiles.h"

namespace td {

ASIDataCompressor::~ASIDataCompressor() { closeStream(); }

std::unique_ptr<ASIDataCompressor> ASIDataCompressor::compressor() {
  auto c = std::make_unique<ASIDataCompressor>();
  c->setupStream();
  return c;
}

HTTPErrorPtr ASIDataCompressor::deflateErrorWithCode(int code) {
  return HTTPError::request(ASICompressionError, "Compression of data failed with code " + std::to_string(code));
}

HTTPErrorPtr ASIDataCompressor::setupStream() {
  if (streamReady_) return nullptr;
  zStream_ = z_stream{};
  zStream_.zalloc = Z_NULL;
  zStream_.zfree = Z_NULL;
  zStream_.opaque = Z_NULL;
  zStream_.next_in = Z_NULL;
  zStream_.avail_in = 0;
  // Default level, deflate, a 32 KB window with a gzip header and trailer, memory level 8.
  const int status = deflateInit2(&zStream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  if (status != Z_OK) return deflateErrorWithCode(status);
  streamReady_ = true;
  return nullptr;
}

HTTPErrorPtr ASIDataCompressor::closeStream() {
  if (!streamReady_) return nullptr;
  streamReady_ = false;
  const int status = deflateEnd(&zStream_);
  if (status != Z_OK) return deflateErrorWithCode(status);
  return nullptr;
}

std::optional<std::string> ASIDataCompressor::run(const char* bytes, std::size_t length, HTTPErrorPtr* error,
                                                  bool finish) {
  if (!streamReady_) {
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
  auto c = compressor();
  HTTPErrorPtr e;
  auto out = c->compressBytes(data.data(), data.size(), &e, true);
  if (e) {
    if (error) *error = e;
    return std::nullopt;
  }
  return out;
}

bool ASIDataCompressor::compressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                             HTTPErrorPtr* error) {
  auto c = compressor();
  codecfiles::CodecFileJob job{
      "Compression",
      // The stream is finished at the end of the input, also when the last slice is empty.
      [&](std::string_view slice, bool last, HTTPErrorPtr* e) { return c->run(slice.data(), slice.size(), e, last); },
      [&] { return c->streamReady(); },
      [&] { return c->closeStream(); },
  };
  return codecfiles::run(job, sourcePath, destinationPath, error);
}

}  // namespace td
