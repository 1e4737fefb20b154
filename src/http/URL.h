#pragma once
// An absolute URL of the HTTP engine, parsed once: scheme, user, password, host, port, path, query.
// A text that is not an absolute URL (no scheme, a space or another character a URL cannot hold)
// gives the empty URL, which requests refuse with the bad-URL error.

#include <memory>
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

  bool empty() const { return !parts_ || parts_->absolute.empty(); }
  explicit operator bool() const { return !empty(); }

  // The text as given (for a resolved URL, the resolved text).
  const std::string& absoluteString() const { return parts().absolute; }
  // Lower case; empty for the empty URL.
  const std::string& scheme() const { return parts().scheme; }
  // Lower case, without brackets for IPv6 literals.
  const std::string& host() const { return parts().host; }
  // The port written in the URL, if any.
  std::optional<int> port() const { return parts().port; }
  // The port written, else the scheme's default (80, 443), else 0.
  int effectivePort() const;
  // "host:port" as a CONNECT asks a proxy for the tunnel to this URL's server: the effective port,
  // an IPv6 literal in brackets.
  std::string tunnelTarget() const;
  // Percent-decoded user and password of the URL, if written.
  const std::optional<std::string>& user() const { return parts().user; }
  const std::optional<std::string>& password() const { return parts().password; }
  // The path as written (not decoded); "/" when the URL names none.
  const std::string& path() const { return parts().path; }
  const std::string& query() const { return parts().query; }
  // The extension of the path's last component ("" when none), percent-decoded.
  std::string pathExtension() const;
  // A local path for a file URL.
  std::string filePath() const;
  bool isFileURL() const { return parts().scheme == "file"; }

  // The URL for the transport: no user information, no fragment.
  const std::string& transportString() const { return parts().transport; }

  friend bool operator==(const URL& a, const URL& b) { return a.absoluteString() == b.absoluteString(); }

 private:
  // What a URL holds never changes once parsed: copies share it (a request copies its URL a few
  // times on every attempt).
  struct Parts {
    std::string absolute;
    std::string transport;
    std::string scheme;
    std::string host;
    std::optional<int> port;
    std::optional<std::string> user;
    std::optional<std::string> password;
    std::string path;
    std::string query;
  };
  const Parts& parts() const;

  std::shared_ptr<const Parts> parts_;
};

// Percent-decodes a text ("%41" -> "A"); malformed escapes stay as written.
std::string percentDecode(std::string_view text);
// Percent-escapes every byte that `keep` does not keep ("/" -> "%2F", upper-case hexadecimal).
std::string percentEncode(std::string_view bytes, bool (*keep)(unsigned char c));

}  // namespace td
