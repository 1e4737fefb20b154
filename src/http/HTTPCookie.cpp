#include "http/HTTPCookie.h"

#include <libpsl.h>

#include <algorithm>

#include "http/HTTPHeaders.h"

namespace td {
namespace {

// Whether the domain is one under which anyone may register names ("com", "co.uk"), by the Public
// Suffix List: the system's copy when it is newer than the library's own.
bool isPublicSuffix(const std::string& domain) {
  static const psl_ctx_t* const list = [] {
    const psl_ctx_t* latest = psl_latest(nullptr);
    return latest ? latest : psl_builtin();
  }();
  return list && psl_is_public_suffix(list, domain.c_str()) != 0;
}

// A name written with the root's dot ("example.com.") names what it names without it: the dot goes
// before names are compared or looked up among the public suffixes, which know no such spelling.
std::string_view withoutTrailingDot(std::string_view name) {
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);
  return name;
}

bool domainMatches(std::string_view host, std::string_view cookieDomain) {
  if (cookieDomain.empty()) return false;
  if (cookieDomain[0] != '.') return host == cookieDomain;
  if (host == cookieDomain.substr(1)) return true;
  return host.size() > cookieDomain.size() && host.ends_with(cookieDomain);
}

bool pathMatches(const std::string& requestPath, const std::string& cookiePath) {
  if (cookiePath.empty() || cookiePath == "/") return true;
  if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

std::string defaultPath(const URL& url) {
  const std::string& path = url.path();
  if (path.empty() || path[0] != '/') return "/";
  const auto slash = path.rfind('/');
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool isIPAddress(std::string_view host) {
  return host.find(':') != std::string::npos ||
         std::all_of(host.begin(), host.end(), [](unsigned char c) { return std::isdigit(c) || c == '.'; });
}

std::optional<HTTPCookie> parseOne(std::string_view text, const URL& url, WallClock::time_point now) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto semicolon = text.find(';', start);
    pieces.push_back(text.substr(start, semicolon == std::string_view::npos ? std::string_view::npos : semicolon - start));
    if (semicolon == std::string_view::npos) break;
    start = semicolon + 1;
  }
  const std::string_view pair = pieces.front();
  const auto equals = pair.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  HTTPCookie cookie;
  cookie.name = trimWhitespace(pair.substr(0, equals));
  cookie.value = trimWhitespace(pair.substr(equals + 1));
  if (cookie.name.empty()) return std::nullopt;
  const std::string host(withoutTrailingDot(url.host()));
  cookie.domain = host;
  cookie.path = defaultPath(url);
  std::optional<long long> maxAge;
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    const std::string_view attribute = pieces[i];
    const auto eq = attribute.find('=');
    const std::string key = toLower(trimWhitespace(attribute.substr(0, eq)));
    const std::string value = eq == std::string_view::npos ? std::string() : trimWhitespace(attribute.substr(eq + 1));
    if (key == "domain" && !withoutTrailingDot(value).empty()) {
      std::string domain = toLower(withoutTrailingDot(value));
      if (domain[0] != '.') domain.insert(domain.begin(), '.');
      if (domain.size() < 2 || domain.back() == '.') return std::nullopt;  // an empty label names no domain
      if (isIPAddress(host) ? domain.substr(1) != host : !domainMatches(host, domain)) return std::nullopt;
      // A cookie for a whole public suffix would go to every site under it: only the host that is
      // itself that suffix may set one, and it stays that host's own.
      const bool publicSuffix = !isIPAddress(host) && isPublicSuffix(domain.substr(1));
      if (publicSuffix && domain.substr(1) != host) return std::nullopt;
      cookie.domain = isIPAddress(host) || publicSuffix ? host : domain;
    } else if (key == "path") {
      cookie.path = (!value.empty() && value[0] == '/') ? value : defaultPath(url);
    } else if (key == "expires") {
      if (auto date = dateFromRFC1123String(value)) cookie.expiresDate = *date;
      else {
        // Cookie dates also come as "Sun, 06-Nov-1994 08:49:37 GMT".
        std::string dashed = value;
        std::replace(dashed.begin(), dashed.end(), '-', ' ');
        if (auto d = dateFromRFC1123String(dashed)) cookie.expiresDate = *d;
      }
    } else if (key == "max-age") {
      try {
        maxAge = std::stoll(value);
      } catch (...) {
      }
    } else if (key == "secure") {
      cookie.secure = true;
    } else if (key == "httponly") {
      cookie.httpOnly = true;
    }
  }
  // A max-age past a century is a century: the clock would overflow long before its end.
  constexpr long long kCentury = 100LL * 366 * 86400;
  if (maxAge) cookie.expiresDate = now + std::chrono::seconds(std::clamp<long long>(*maxAge, -1, kCentury));
  return cookie;
}

}  // namespace

std::vector<HTTPCookie> HTTPCookie::cookiesWithSetCookieValues(const std::vector<std::string>& values, const URL& url,
                                                               WallClock::time_point now) {
  std::vector<HTTPCookie> out;
  if (url.empty()) return out;
  for (const std::string& value : values)
    if (auto cookie = parseOne(value, url, now)) out.push_back(std::move(*cookie));
  return out;
}

bool HTTPCookie::matches(const URL& url) const {
  if (url.empty()) return false;
  if (secure && url.scheme() != "https") return false;
  if (expiresDate && *expiresDate <= WallClock::now()) return false;
  return domainMatches(withoutTrailingDot(url.host()), domain) && pathMatches(url.path(), path);
}

HTTPCookieStorage& HTTPCookieStorage::sharedHTTPCookieStorage() {
  static HTTPCookieStorage* storage = new HTTPCookieStorage();  // lives as long as the process
  return *storage;
}

void HTTPCookieStorage::setCookies(const std::vector<HTTPCookie>& cookies) {
  std::lock_guard lock(mutex_);
  const auto now = WallClock::now();
  for (const HTTPCookie& cookie : cookies) {
    std::erase_if(cookies_, [&](const HTTPCookie& c) { return c.sameIdentity(cookie); });
    if (!cookie.expiresDate || *cookie.expiresDate > now) cookies_.push_back(cookie);
  }
}

std::vector<HTTPCookie> HTTPCookieStorage::cookiesForURL(const URL& url) const {
  std::vector<HTTPCookie> out;
  {
    std::lock_guard lock(mutex_);
    for (const HTTPCookie& c : cookies_)
      if (c.matches(url)) out.push_back(c);
  }
  std::stable_sort(out.begin(), out.end(), [](const HTTPCookie& a, const HTTPCookie& b) { return a.path.size() > b.path.size(); });
  return out;
}

void HTTPCookieStorage::deleteCookie(const HTTPCookie& cookie) {
  std::lock_guard lock(mutex_);
  std::erase_if(cookies_, [&](const HTTPCookie& c) { return c.sameIdentity(cookie); });
}

std::vector<HTTPCookie> HTTPCookieStorage::cookies() const {
  std::lock_guard lock(mutex_);
  return cookies_;
}

void HTTPCookieStorage::removeAll() {
  std::lock_guard lock(mutex_);
  cookies_.clear();
}

}  // namespace td
