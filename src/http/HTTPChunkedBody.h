#pragma once
// A chunked message body ("Transfer-Encoding: chunked") read as it arrives: chunk sizes (with any
// extensions), the chunks' data, the trailer fields up to the empty line that ends the body. What
// the body spans on the wire is bounded, so that a peer cannot make it grow without end.

#include <cstddef>
#include <cstdint>
#include <string>

namespace td {

class HTTPChunkedBody {
 public:
  enum class Status { NeedMore, Complete, Malformed, TooLarge };

  // `limit`: the most bytes the whole body may span on the wire, framing included.
  explicit HTTPChunkedBody(std::size_t limit) : limit_(limit) {}

  // Takes what belongs to the body from the front of `input` (and nothing after its end), appending
  // the chunks' data to `data`. Once it says Complete, Malformed or TooLarge, it takes nothing more.
  Status read(std::string& input, std::string& data);

 private:
  enum class Stage { Size, Data, DataEnd, Trailer, Done, Failed };

  Status fail(Status status);

  const std::size_t limit_;
  std::size_t consumed_ = 0;
  Stage stage_ = Stage::Size;
  std::uint64_t chunkLeft_ = 0;
  Status failure_ = Status::Malformed;
};

}  // namespace td
