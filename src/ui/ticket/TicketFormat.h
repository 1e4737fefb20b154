#pragma once
// printf-style texts of the ticket, sized to fit whatever the numbers are.

#include <cstdarg>
#include <cstdio>
#include <string>

namespace td::ticket {

__attribute__((format(printf, 1, 2))) inline std::string printfString(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (length > 0) {
    out.resize(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<std::size_t>(length));
  }
  va_end(args);
  return out;
}

}  // namespace td::ticket
