#pragma once
// Operations on byte buffers: a second, lenient Base64 codec, gzip deflation and inflation through
// zlib, and a file reader that inflates ".gz" files. Byte buffers travel as std::string. All
// operations are stateless and may run on any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace td {

class NSDataAdditions {
 public:
  // The lenient decoder: ignores every byte that is neither in the alphabet nor "="; the first "="
  // ends the text (one or two held characters of the current group give one final byte, three give
  // two); an incomplete last group without "=" is dropped. Never fails: a text that is not ASCII gives
  // an empty buffer.
  static std::string initWithBase64EncodedString(std::string_view text);
  static std::string dataWithBase64EncodedString(std::string_view text) { return initWithBase64EncodedString(text); }

  // The lenient encoder: "" for an empty buffer. With a line length above 0 a line feed follows every
  // group that brings the line to that length or more, so lines hold the smallest multiple of 4 not
  // below it (and the text ends in a line feed when its last group reaches the threshold).
  static std::string base64EncodingWithLineLength(std::string_view data, std::uint32_t lineLength);
  static std::string base64Encoding(std::string_view data) { return base64EncodingWithLineLength(data, 0); }

  // A gzip stream of the bytes (default level); an empty buffer comes back unchanged. Nothing only
  // when zlib cannot be initialised.
  static std::optional<std::string> gzipDeflate(std::string_view data);

  // Inflates a gzip or a zlib stream (told apart by the header). A gzip stream may hold several members
  // one after another; they are inflated and joined. Bytes after the end of the stream that do not start
  // another gzip member are ignored. An empty buffer comes back unchanged. Nothing for a wrong header,
  // corrupt or truncated data, or output beyond kMaxInflatedSize.
  static std::optional<std::string> gzipInflate(std::string_view data);
  static constexpr std::size_t kMaxInflatedSize = std::size_t{1} << 30;

  // The file's bytes, inflated when the path's extension is exactly "gz". Nothing when the file cannot
  // be read or does not inflate.
  static std::optional<std::string> dataWithUncompressedContentsOfFile(const std::string& path);
};

}  // namespace td
