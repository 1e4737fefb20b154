#pragma once
// What the two body codecs share: their zlib stream (set up, ended, and its failures as the engine's
// compression errors) and the file-to-file loop, which reads the source in slices of 262,144 bytes,
// passes each through the codec and writes what it produces.

#include <zlib.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "http/HTTPError.h"

namespace td {

class ASIDataCodec {
 public:
  ASIDataCodec(const ASIDataCodec&) = delete;
  ASIDataCodec& operator=(const ASIDataCodec&) = delete;

  HTTPErrorPtr setupStream();
  HTTPErrorPtr closeStream();
  bool streamReady() const { return streamReady_; }

 protected:
  enum class Kind { Deflate, Inflate };
  explicit ASIDataCodec(Kind kind) : kind_(kind) {}
  ~ASIDataCodec();

  // "Compression of data failed with code N" (deflate) or "Decompression of data ..." (inflate).
  static HTTPErrorPtr errorWithCode(Kind kind, int code);

  // Passes one slice of the source (`last` when the source has ended); nothing on an error, which is
  // stored in `error`.
  using FileStep = std::function<std::optional<std::string>(std::string_view slice, bool last, HTTPErrorPtr* error)>;
  // Runs the source file through `step` into the (replaced) destination file and closes the stream.
  bool codeFile(const FileStep& step, const std::string& sourcePath, const std::string& destinationPath,
                HTTPErrorPtr* error);

  z_stream zStream_{};

 private:
  static constexpr std::size_t kSliceLength = 262144;
  static const char* verb(Kind kind) { return kind == Kind::Deflate ? "Compression" : "Decompression"; }

  Kind kind_;
  bool streamReady_ = false;
};

}  // namespace td
