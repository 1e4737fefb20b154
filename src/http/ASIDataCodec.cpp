#include "http/ASIDataCodec.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace td {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

ASIDataCodec::~ASIDataCodec() { closeStream(); }

HTTPErrorPtr ASIDataCodec::errorWithCode(Kind kind, int code) {
  return HTTPError::request(ASICompressionError,
                            std::string(verb(kind)) + " of data failed with code " + std::to_string(code));
}

HTTPErrorPtr ASIDataCodec::setupStream() {
  if (streamReady_) return nullptr;
  zStream_ = z_stream{};
  // Deflate: default level, a 32 KB window with a gzip header and trailer, memory level 8.
  // Inflate: a 32 KB window, a zlib or a gzip header detected.
  const int status = kind_ == Kind::Deflate
                         ? deflateInit2(&zStream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY)
                         : inflateInit2(&zStream_, 47);
  if (status != Z_OK) return errorWithCode(kind_, status);
  streamReady_ = true;
  return nullptr;
}

HTTPErrorPtr ASIDataCodec::closeStream() {
  if (!streamReady_) return nullptr;
  streamReady_ = false;
  const int status = kind_ == Kind::Deflate ? deflateEnd(&zStream_) : inflateEnd(&zStream_);
  if (status != Z_OK) return errorWithCode(kind_, status);
  return nullptr;
}

bool ASIDataCodec::codeFile(const FileStep& step, const std::string& sourcePath, const std::string& destinationPath,
                            HTTPErrorPtr* error) {
  const std::string verb = ASIDataCodec::verb(kind_);
  auto fail = [&](std::string text, HTTPErrorPtr underlying) {
    if (error) *error = HTTPError::request(ASICompressionError, std::move(text), std::move(underlying));
    return false;
  };
  File destination(std::fopen(destinationPath.c_str(), "wb"));
  if (!destination)
    return fail(verb + " of " + sourcePath + " failed because we were to create a file at " + destinationPath,
                HTTPError::posix(errno));
  File source(std::fopen(sourcePath.c_str(), "rb"));
  if (!source) {
    if (errno == ENOENT) return fail(verb + " of " + sourcePath + " failed the file does not exist", nullptr);
    const int err = errno;
    closeStream();
    return fail(verb + " of " + sourcePath + " failed because we were unable to read from the source data file",
                HTTPError::posix(err));
  }
  std::vector<char> buffer(kSliceLength);
  while (streamReady()) {
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), source.get());
    if (std::ferror(source.get())) {
      const int err = errno;
      closeStream();
      return fail(verb + " of " + sourcePath + " failed because we were unable to read from the source data file",
                  HTTPError::posix(err));
    }
    const bool last = n < buffer.size();
    HTTPErrorPtr stepError;
    auto produced = step(std::string_view(buffer.data(), n), last, &stepError);
    if (stepError) {
      closeStream();
      if (error) *error = stepError;
      return false;
    }
    if (produced && !produced->empty()) {
      if (std::fwrite(produced->data(), 1, produced->size(), destination.get()) != produced->size()) {
        const int err = errno;
        closeStream();
        return fail(verb + " of " + sourcePath + " failed because we were unable to write to the destination data file at " +
                        destinationPath,
                    HTTPError::posix(err));
      }
    }
    if (last) break;
  }
  source.reset();
  const bool flushed = std::fflush(destination.get()) == 0;
  const int flushErr = errno;
  destination.reset();
  if (!flushed) {
    closeStream();
    return fail(verb + " of " + sourcePath + " failed because we were unable to write to the destination data file at " +
                    destinationPath,
                HTTPError::posix(flushErr));
  }
  if (HTTPErrorPtr closeError = closeStream()) {
    if (error) *error = closeError;
    return false;
  }
  return true;
}

}  // namespace td
