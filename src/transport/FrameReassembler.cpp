#include "transport/FrameReassembler.h"

#include <cstring>
#include <string>

#include "platform/Log.h"

namespace td {
namespace {
constexpr char kStart = '\x01';
constexpr char kEnd = '\x02';

const char* find(const char* from, const char* to, char byte) {
  return static_cast<const char*>(std::memchr(from, byte, static_cast<size_t>(to - from)));
}
}  // namespace

FrameReassembler::FrameReassembler(Sink sink, size_t maxFrameBytes)
    : sink_(std::move(sink)), maxFrameBytes_(maxFrameBytes) {}

void FrameReassembler::reset() {
  partial_.clear();
  state_ = State::Outside;
}

void FrameReassembler::dropPartial(const char* why, size_t extra) {
  const size_t lost = partial_.size() + extra;
  dropped_ += lost;
  TD_LOG_WARN(std::string("frame dropped (") + why + "): " + std::to_string(lost) + " bytes");
  partial_.clear();
}

void FrameReassembler::feed(std::string_view chunk) {
  const char* p = chunk.data();
  const char* const end = p + chunk.size();
  while (p < end) {
    if (state_ != State::InFrame) {
      const char* start = find(p, end, kStart);
      const size_t skipped = static_cast<size_t>((start ? start : end) - p);
      if (skipped > 0) {
        dropped_ += skipped;
        // A skipped tail of an oversized frame was already reported.
        if (state_ == State::Outside) {
          TD_LOG_WARN("bytes outside a frame skipped: " + std::to_string(skipped));
        }
      }
      if (!start) return;
      state_ = State::InFrame;
      partial_.clear();
      p = start + 1;
      continue;
    }
    const char* close = find(p, end, kEnd);
    const char* restart = find(p, close ? close : end, kStart);
    if (restart) {
      // A new frame began before this one was closed: this one is incomplete.
      dropPartial("no end marker before the next frame", static_cast<size_t>(restart - p));
      p = restart + 1;
      continue;
    }
    if (close) {
      const std::string_view tail(p, static_cast<size_t>(close - p));
      state_ = State::Outside;
      p = close + 1;
      if (partial_.size() + tail.size() > maxFrameBytes_) {
        dropPartial("frame too large", tail.size());
        continue;
      }
      if (partial_.empty()) {
        sink_(tail);
      } else {
        partial_.append(tail);
        sink_(partial_);  // the sink never feeds this reassembler, so the buffer stays put
        partial_.clear();
      }
      continue;
    }
    const size_t rest = static_cast<size_t>(end - p);
    if (partial_.size() + rest > maxFrameBytes_) {
      dropPartial("frame too large", rest);
      state_ = State::Skipping;
      return;
    }
    partial_.append(p, rest);
    return;
  }
}

}  // namespace td
