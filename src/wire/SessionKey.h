#pragma once
// The session's pass phrases and the compressed payload, as pure functions shared by the session, the
// simulated server and the probe: both ends must derive the same key and read the same payload.

#include <optional>
#include <string>
#include <string_view>

namespace td {

// What a missing piece of the session key is written as.
inline constexpr std::string_view kMissingKeyPiece = "(null)";

// The session key that replaces the initial pass phrase after the login reply: user name, password,
// reference id (tag 19 of the login reply) and server time (tag 21) joined without separators, padded
// with "-" to 32 characters (UTF-16 code units) when shorter, hashed with SHA-512 over all of its UTF-8
// bytes, and Base64-encoded: always 88 characters ending in "==". A missing piece is written as
// kMissingKeyPiece.
std::string GenerateNewEncryptionKey(std::optional<std::string_view> userName, std::optional<std::string_view> password,
                                     std::optional<std::string_view> referenceId,
                                     std::optional<std::string_view> serverTime);

// The text of a compressed payload (the value of tag 1050): Base64 of 4 unread bytes followed by a gzip
// stream of UTF-8 text. Nothing when the text does not decode, holds fewer than 4 bytes, does not
// inflate or is not UTF-8; each failure writes one log line, so callers drop the message silently.
std::optional<std::string> decompressData(std::string_view text);

}  // namespace td
