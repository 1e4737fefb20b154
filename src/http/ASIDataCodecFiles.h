#pragma once
// The file-to-file loop shared by the two body codecs: reads the source in slices of 262,144 bytes,
// passes each through the codec and writes what it produces, with the codecs' error texts.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "http/HTTPError.h"

namespace td::codecfiles {

inline constexpr std::size_t kSliceLength = 262144;

// The verb of the texts: "Decompression" or "Compression".
struct CodecFileJob {
  const char* verb;
  // Passes one slice (`last` when the source has ended); nothing on an error (stored in `error`).
  std::function<std::optional<std::string>(std::string_view slice, bool last, HTTPErrorPtr* error)> step;
  // Whether the codec's stream is still open (the loop stops when it is not).
  std::function<bool()> ready;
  // Closes the codec's stream and returns its error.
  std::function<HTTPErrorPtr()> close;
};

bool run(const CodecFileJob& job, const std::string& sourcePath, const std::string& destinationPath,
         HTTPErrorPtr* error);

}  // namespace td::codecfiles
