#pragma once
// Cookies and the process's cookie store. The store is kept in memory only: nothing is written to
// disk, and it is empty at every start.

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/HTTPUtilities.h"
#include "http/URL.h"

namespace td {

struct HTTPCookie {
  std::string name;
  std::string value;
  std::string domain;  // lower case; a leading "." when the cookie also applies to subdomains
  std::string path = "/";
  std::optional<WallClock::time_point> expiresDate;  // none: a session cookie
  bool secure = false;
  bool httpOnly = false;

  bool isSessionOnly() const { return !expiresDate; }
  // Same domain, path and name.
  bool sameIdentity(const HTTPCookie& other) const {
    return domain == other.domain && path == other.path && name == other.name;
  }
  friend bool operator==(const HTTPCookie&, const HTTPCookie&) = default;

  // The cookies of a response's Set-Cookie values for the URL it came from. Values that are not
  // cookies, and cookies for a domain the URL's host does not belong to, are dropped.
  static std::vector<HTTPCookie> cookiesWithSetCookieValues(const std::vector<std::string>& values, const URL& url,
                                                            WallClock::time_point now = WallClock::now());
  // Whether the cookie is to be sent with a request for the URL.
  bool matches(const URL& url) const;
};

class HTTPCookieStorage {
 public:
  static HTTPCookieStorage& sharedHTTPCookieStorage();

  // Stores the cookies (replacing those of the same domain, path and name); an expired cookie
  // removes the stored one.
  void setCookies(const std::vector<HTTPCookie>& cookies);
  // Cookies to send for the URL, longest path first.
  std::vector<HTTPCookie> cookiesForURL(const URL& url) const;
  void deleteCookie(const HTTPCookie& cookie);
  std::vector<HTTPCookie> cookies() const;
  void removeAll();

 private:
  mutable std::mutex mutex_;
  std::vector<HTTPCookie> cookies_;
};

}  // namespace td
