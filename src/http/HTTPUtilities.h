#pragma once
// Stateless helpers of the HTTP engine: Base64, HTTP dates, MIME types of files, text encodings,
// temporary and private files.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace td {

using WallClock = std::chrono::system_clock;

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks); "" for no bytes.
std::string base64forData(std::string_view data);

// An HTTP date in the RFC 1123 form, with or without the leading day name and comma and with or
// without seconds: "Sun, 06 Nov 1994 08:49:37 GMT", "06 Nov 1994 08:49 GMT". The zone is GMT, UTC,
// UT, Z, a numeric offset (+0100) or a North American zone name. Nothing for anything else.
std::optional<WallClock::time_point> dateFromRFC1123String(std::string_view text);
// The RFC 1123 form of a time ("Sun, 06 Nov 1994 08:49:37 GMT").
std::string rfc1123StringFromDate(WallClock::time_point when);

// The MIME type for the file's extension from the system's type table (/etc/mime.types), or
// "application/octet-stream" when the table knows none; nothing when no file exists at the path.
std::optional<std::string> mimeTypeForFileAtPath(const std::string& path);

// Text encodings are named by their IANA character-set names ("ISO-8859-1", "UTF-8").
inline constexpr const char* ISOLatin1Encoding = "ISO-8859-1";
inline constexpr const char* UTF8Encoding = "UTF-8";
// The canonical IANA name of a character set the converter knows, or nothing.
std::optional<std::string> ianaCharsetName(std::string_view name);
// Bytes in `encoding` as UTF-8 text; nothing when they are not valid in that encoding.
std::optional<std::string> decodeText(std::string_view bytes, std::string_view encoding);
// UTF-8 text in `encoding`; nothing when a character cannot be written in it.
std::optional<std::string> encodeText(std::string_view utf8, std::string_view encoding);

// A new globally unique string (a random UUID in upper case), for temporary file names.
std::string globallyUniqueString();
// The directory for temporary files ($TMPDIR or /tmp), without a trailing slash.
std::string temporaryDirectory();

// Writes all bytes to a file descriptor (retrying short writes); false with errno set on failure.
bool writeAllBytes(int fd, const char* data, std::size_t length);
// Opens `path` for writing from its start, readable and writable by the user alone: a file that
// stood there is emptied and narrowed to that, unless `exclusive`, which refuses it. -1 with errno
// set on failure.
int openPrivateFile(const std::string& path, bool exclusive = false);
// Makes `data` the whole content of the private file at `path`; false with errno set on failure.
bool writePrivateFile(const std::string& path, std::string_view data);
// Copies the content of the file at `from` to the open descriptor `to`; false with errno set on
// failure.
bool copyFileInto(const std::string& from, int to);

}  // namespace td
