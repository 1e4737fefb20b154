#pragma once
// The strict Base64 codec of the wire: the envelope's cipher text, the compressed payloads, the session
// key and the remembered credentials. Standard alphabet with "=" padding, no line breaks, no URL-safe
// variant. (The lenient codec of NSDataAdditions differs at its edges; the two are not interchangeable.)

#include <optional>
#include <string>
#include <string_view>

namespace td {

class Base64 {
 public:
  // Base64 text of the text's UTF-8 bytes; nothing for the empty text.
  static std::optional<std::string> encodeBase64WithString(std::string_view text);

  // Base64 text of the bytes; nothing (not the empty text) for an empty buffer.
  static std::optional<std::string> encodeBase64WithData(std::string_view data);

  // Decodes the text, skipping tab, line feed, form feed, carriage return and space. Nothing for a
  // character outside the alphabet (vertical tab, a NUL or any non-ASCII byte included) and for a lone
  // "=" after a single data character of a group. "=" does not end the text: data characters after it
  // continue the same grouping. The bits of an incomplete last group are dropped. The empty text gives
  // an empty buffer.
  static std::optional<std::string> decodeBase64WithString(std::string_view text);
};

}  // namespace td
