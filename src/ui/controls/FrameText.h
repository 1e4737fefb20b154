#pragma once
// Texts that the user types and the client sends inside a frame (user name, passwords, the demo
// form): the bytes 0x01 to 0x07 are the frame's own separators, so such a text must not hold them.

#include <algorithm>
#include <string_view>

namespace td {

inline bool hasFrameControlBytes(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= '\x01' && c <= '\x07'; });
}

}  // namespace td
