#include "http/ASIDataCodecFiles.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace td::codecfiles {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool run(const CodecFileJob& job, const std::string& sourcePath, const std::string& destinationPath,
         HTTPErrorPtr* error) {
  const std::string verb = job.verb;
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
    job.close();
    return fail(verb + " of " + sourcePath + " failed because we were unable to read from the source data file",
                HTTPError::posix(err));
  }
  std::vector<char> buffer(kSliceLength);
  while (job.ready()) {
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), source.get());
    if (std::ferror(source.get())) {
      const int err = errno;
      job.close();
      return fail(verb + " of " + sourcePath + " failed because we were unable to read from the source data file",
                  HTTPError::posix(err));
    }
    const bool last = n < buffer.size();
    HTTPErrorPtr stepError;
    auto produced = job.step(std::string_view(buffer.data(), n), last, &stepError);
    if (stepError) {
      job.close();
      if (error) *error = stepError;
      return false;
    }
    if (produced && !produced->empty()) {
      if (std::fwrite(produced->data(), 1, produced->size(), destination.get()) != produced->size()) {
        const int err = errno;
        job.close();
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
    job.close();
    return fail(verb + " of " + sourcePath + " failed because we were unable to write to the destination data file at " +
                    destinationPath,
                HTTPError::posix(flushErr));
  }
  if (HTTPErrorPtr closeError = job.close()) {
    if (error) *error = closeError;
    return false;
  }
  return true;
}

}  // namespace td::codecfiles
