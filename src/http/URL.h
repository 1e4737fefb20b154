#pragma once
// An absolute URL of the HTTP engine, parsed once: scheme, user, password, host, port, path, query.
// A text that is not an absolute URL (no scheme, a space or another character a URL cannot hold)
// gives the empty URL, which requests refuse with the bad-URL error.

#include <optional>
#include <string>
#include <string_view>

namespace td {

class URL {
 public:
  URL() = default;
  // The empty URL when the text does not make an absolute URL.
  static URL URLWithString(std::string_view text);
  // `text` resolved against `base` (a path, a query or a full URL), made absolute.
  static URL URLWithString(std::string_view text, const URL& base);
  // file:// URL of an absolute path.
  static URL fileURLWithPath(std::string_view path);

  bool empty() const { return absolute_.empty(); }
  explicit operator bool() const { return !empty(); }

  // The text as given (for a resolved URL, the resolved text).
  const std::string& absoluteString() const { return absolute_; }
  // Lower case; empty for the empty URL.
  const std::string& scheme() const { return scheme_; }
  // Lower case, without brackets for IPv6 literals.
  const std::string& host() const { return host_; }
  // The port written in the URL, if any.
  std::optional<int> port() const { return port_; }
  // The port written, else the scheme's default (80, 443), else 0.
  int effectivePort() const;
  // "host:port" as a CONNECT asks a proxy for the tunnel to this URL's server: the effective port,
  // an IPv6 literal in brackets.
  std::string tunnelTarget() const;
  // Percent-decoded user and password of the URL, if written.
  const std::optional<std::string>& user() const { return user_; }
  const std::optional<std::string>& password() const { return password_; }
  // The path as written (not decoded); "/" when the URL names none.
  const std::string& path() const { return path_; }
  const std::string& query() const { return query_; }
  // The extension of the path's last component ("" when none), percent-decoded.
  std::string pathExtension() const;
  // A local path for a file URL.
  std::string filePath() const;
  bool isFileURL() const { return scheme_ == "file"; }

  // The URL for the transport: no user information, no fragment.
  std::string transportString() const { return transport_; }

  friend bool operator==(const URL& a, const URL& b) { return a.absolute_ == b.absolute_; }

 private:
  std::string absolute_;
  std::string transport_;
  std::string scheme_;
  std::string host_;
  std::optional<int> port_;
  std::optional<std::string> user_;
  std::optional<std::string> password_;
  std::string path_;
  std::string query_;
};

// Percent-decodes a text ("%41" -> "A"); malformed escapes stay as written.
std::string percentDecode(std::string_view text);
// Percent-escapes every byte that `keep` does not keep ("/" -> "%2F", upper-case hexadecimal).
std::string percentEncode(std::string_view bytes, bool (*keep)(unsigned char c));

}  // namespace td
