#pragma once
// Cuts a byte stream into frames. A frame runs from a 0x01 byte to the next 0x02 byte; what lies
// between them (the decimal length, 0x03 and the body) is handed on, without the two markers.
//
// Works on bytes, not on decoded text, so a chunk may end anywhere: right after 0x01, in the middle
// of the length, or inside a UTF-8 character. One reassembler per channel; it is not thread-safe and
// its sink must not feed the same reassembler again.
//
// Bad input is dropped, never merged into a frame: bytes outside a frame are skipped, a frame that is
// interrupted by a new 0x01 before its 0x02 is dropped, and a frame that grows past the size limit is
// dropped up to the next 0x01. Each drop writes one log line.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace td {

class FrameReassembler {
 public:
  // The view is valid only during the call.
  using Sink = std::function<void(std::string_view frame)>;

  static constexpr size_t kDefaultMaxFrameBytes = 64u * 1024u * 1024u;

  explicit FrameReassembler(Sink sink, size_t maxFrameBytes = kDefaultMaxFrameBytes);

  // Hands every frame completed by this chunk to the sink, in stream order.
  void feed(std::string_view chunk);

  // Forgets a partial frame (used when the channel is reopened).
  void reset();

  bool inFrame() const { return state_ != State::Outside; }
  size_t pendingBytes() const { return partial_.size(); }
  uint64_t bytesDropped() const { return dropped_; }

 private:
  enum class State { Outside, InFrame, Skipping };

  void dropPartial(const char* why, size_t extra);

  Sink sink_;
  size_t maxFrameBytes_;
  State state_ = State::Outside;
  std::string partial_;
  uint64_t dropped_ = 0;
};

}  // namespace td
