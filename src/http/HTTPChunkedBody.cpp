#include "http/HTTPChunkedBody.h"

#include <algorithm>
#include <charconv>

namespace td {

HTTPChunkedBody::Status HTTPChunkedBody::fail(Status status) {
  stage_ = Stage::Failed;
  failure_ = status;
  return status;
}

HTTPChunkedBody::Status HTTPChunkedBody::read(std::string& input, std::string& data) {
  std::string line;
  while (true) {
    switch (stage_) {
      case Stage::Done:
        return Status::Complete;
      case Stage::Failed:
        return failure_;
      case Stage::Data: {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunkLeft_, input.size()));
        if (consumed_ + n > limit_) return fail(Status::TooLarge);
        data.append(input, 0, n);
        input.erase(0, n);
        consumed_ += n;
        chunkLeft_ -= n;
        if (chunkLeft_ > 0) return Status::NeedMore;
        stage_ = Stage::DataEnd;
        continue;
      }
      case Stage::Size:
      case Stage::DataEnd:
      case Stage::Trailer:
        break;
    }
    // The stages that read a line (a bare LF ends one too): a line longer than what is left of the
    // bound is too large.
    const auto lineEnd = input.find('\n');
    const std::size_t span = lineEnd == std::string::npos ? input.size() : lineEnd + 1;
    if (consumed_ + span > limit_) return fail(Status::TooLarge);
    if (lineEnd == std::string::npos) return Status::NeedMore;
    line.assign(input, 0, lineEnd);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    input.erase(0, span);
    consumed_ += span;
    if (stage_ == Stage::DataEnd) {
      // The line end after a chunk's data, and nothing else.
      if (!line.empty()) return fail(Status::Malformed);
      stage_ = Stage::Size;
    } else if (stage_ == Stage::Trailer) {
      // Trailer fields say nothing the reader needs; the empty line ends the body.
      if (line.empty()) stage_ = Stage::Done;
    } else {
      // The size in hexadecimal, then perhaps blanks and extensions after a semicolon.
      std::uint64_t size = 0;
      const auto [digitsEnd, error] = std::from_chars(line.data(), line.data() + line.size(), size, 16);
      if (digitsEnd == line.data()) return fail(Status::Malformed);
      if (error == std::errc::result_out_of_range) return fail(Status::TooLarge);
      std::size_t i = static_cast<std::size_t>(digitsEnd - line.data());
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      if (i < line.size() && line[i] != ';') return fail(Status::Malformed);
      if (size > limit_) return fail(Status::TooLarge);
      chunkLeft_ = size;
      stage_ = size == 0 ? Stage::Trailer : Stage::Data;
    }
  }
}

}  // namespace td
