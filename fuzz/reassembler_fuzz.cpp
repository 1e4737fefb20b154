// Feeds random chunkings of a stream into the frame reassembler. The first byte picks the chunk sizes;
// the rest is the stream. Checks that chunking never changes what is delivered.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "transport/FrameReassembler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    td::log::setLevel(td::log::Level::Off);
    return true;
  }();
  (void)quiet;
  if (size < 1) return 0;
  const unsigned seed = data[0];
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

  std::vector<std::string> whole;
  td::FrameReassembler a([&](std::string_view f) { whole.emplace_back(f); }, 4096);
  a.feed(stream);

  std::vector<std::string> chunked;
  td::FrameReassembler b([&](std::string_view f) { chunked.emplace_back(f); }, 4096);
  size_t pos = 0;
  unsigned step = seed;
  while (pos < stream.size()) {
    const size_t len = 1 + step % 17;
    b.feed(stream.substr(pos, len));
    pos += len;
    step = step * 1103515245u + 12345u;
  }
  if (whole != chunked) std::abort();
  for (const std::string& f : whole) {
    if (f.find('\x01') != std::string::npos || f.find('\x02') != std::string::npos) std::abort();
  }
  return 0;
}
