#include "http/URL.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "http/HTTPHeaders.h"

namespace td {
namespace {

struct CurlUrlDeleter {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;

std::optional<std::string> part(CURLU* u, CURLUPart which, unsigned flags = 0) {
  char* value = nullptr;
  if (curl_url_get(u, which, &value, flags) != CURLUE_OK || !value) return std::nullopt;
  std::string out(value);
  curl_free(value);
  return out;
}

bool acceptableText(std::string_view text) {
  // A URL holds no white space, no control characters and nothing outside ASCII.
  return !text.empty() && std::none_of(text.begin(), text.end(), [](unsigned char c) { return c <= 0x20 || c >= 0x7f; });
}

}  // namespace

std::string percentDecode(std::string_view text) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int h = hex(text[i + 1]), l = hex(text[i + 2]);
      if (h >= 0 && l >= 0) {
        out.push_back(static_cast<char>(h * 16 + l));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

std::string percentEncode(std::string_view bytes, bool (*keep)(unsigned char c)) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (keep(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(digits[c >> 4]);
      out.push_back(digits[c & 15]);
    }
  }
  return out;
}

URL URL::URLWithString(std::string_view text) { return URLWithString(text, URL()); }

URL URL::URLWithString(std::string_view text, const URL& base) {
  if (!acceptableText(text)) return URL();
  CurlUrl u(curl_url());
  if (!u) return URL();
  const std::string input(text);
  const unsigned flags = CURLU_NON_SUPPORT_SCHEME;
  if (!base.empty()) {
    if (curl_url_set(u.get(), CURLUPART_URL, base.absoluteString().c_str(), flags) != CURLUE_OK) return URL();
  }
  if (curl_url_set(u.get(), CURLUPART_URL, input.c_str(), flags) != CURLUE_OK) return URL();

  Parts url;
  auto scheme = part(u.get(), CURLUPART_SCHEME);
  if (!scheme) return URL();
  url.scheme = toLower(*scheme);
  if (auto host = part(u.get(), CURLUPART_HOST)) {
    std::string h = toLower(*host);
    if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
    url.host = h;
  }
  if (url.host.empty() && url.scheme != "file") return URL();
  if (auto port = part(u.get(), CURLUPART_PORT)) {
    try {
      url.port = std::stoi(*port);
    } catch (...) {
      return URL();
    }
  }
  if (auto user = part(u.get(), CURLUPART_USER)) url.user = percentDecode(*user);
  if (auto password = part(u.get(), CURLUPART_PASSWORD)) url.password = percentDecode(*password);
  url.path = part(u.get(), CURLUPART_PATH).value_or("/");
  url.query = part(u.get(), CURLUPART_QUERY).value_or("");

  // Keep the text as written when it stood on its own; a resolved URL takes curl's form.
  if (base.empty()) {
    url.absolute = input;
  } else {
    url.absolute = part(u.get(), CURLUPART_URL).value_or("");
    if (url.absolute.empty()) return URL();
  }
  curl_url_set(u.get(), CURLUPART_USER, nullptr, 0);
  curl_url_set(u.get(), CURLUPART_PASSWORD, nullptr, 0);
  curl_url_set(u.get(), CURLUPART_FRAGMENT, nullptr, 0);
  url.transport = part(u.get(), CURLUPART_URL).value_or(url.absolute);
  URL made;
  made.parts_ = std::make_shared<const Parts>(std::move(url));
  return made;
}

URL URL::fileURLWithPath(std::string_view path) {
  auto keep = [](unsigned char c) {
    return std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
  };
  return URLWithString("file://" + percentEncode(path, keep));
}

const URL::Parts& URL::parts() const {
  static const Parts none;
  return parts_ ? *parts_ : none;
}

int URL::effectivePort() const {
  const Parts& p = parts();
  if (p.port) return *p.port;
  if (p.scheme == "http") return 80;
  if (p.scheme == "https") return 443;
  return 0;
}

std::string URL::tunnelTarget() const {
  const std::string& host = parts().host;
  const bool ipv6 = host.find(':') != std::string::npos;
  return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(effectivePort());
}

std::string URL::pathExtension() const {
  const std::string decoded = percentDecode(parts().path);
  const auto slash = decoded.rfind('/');
  const std::string last = slash == std::string::npos ? decoded : decoded.substr(slash + 1);
  const auto dot = last.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == last.size()) return "";
  return last.substr(dot + 1);
}

std::string URL::filePath() const { return percentDecode(parts().path); }

}  // namespace td
