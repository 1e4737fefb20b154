#include "http/HTTPProxySettings.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>

#include "http/ASIHTTPRequest.h"
#include "http/DesktopProxySettings.h"
#include "http/HTTPHeaders.h"

namespace td {

std::optional<std::string> processEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

namespace {

// The proxy variable that applies to the URL, when it is set and not empty.
std::optional<std::string> proxyVariable(const URL& url, EnvironmentLookup lookup) {
  std::optional<std::string> value;
  if (url.scheme() == "https") {
    value = lookup("https_proxy");
    if (!value) value = lookup("HTTPS_PROXY");
  } else if (url.scheme() == "http") {
    value = lookup("http_proxy");  // not HTTP_PROXY, which a CGI environment lets a client set
  }
  if (!value || trimWhitespace(*value).empty()) return std::nullopt;
  return value;
}

// An IPv4 or IPv6 address in network order; its length is 4 or 16, 0 when the text is none.
struct Address {
  std::array<unsigned char, 16> bytes{};
  std::size_t length = 0;
};

Address parseAddress(const std::string& text) {
  Address address;
  if (::inet_pton(AF_INET, text.c_str(), address.bytes.data()) == 1) address.length = 4;
  else if (::inet_pton(AF_INET6, text.c_str(), address.bytes.data()) == 1) address.length = 16;
  return address;
}

// Whether `host` lies in the network `base`/`bits`.
bool inNetwork(const Address& host, const Address& base, int bits) {
  if (host.length == 0 || host.length != base.length || bits < 0 || static_cast<std::size_t>(bits) > 8 * host.length)
    return false;
  for (std::size_t i = 0; bits > 0; ++i, bits -= 8) {
    const unsigned mask = bits >= 8 ? 0xffu : (0xffu << (8 - bits)) & 0xffu;
    if ((host.bytes[i] & mask) != (base.bytes[i] & mask)) return false;
  }
  return true;
}

std::string withoutTrailingDot(std::string name) {
  if (!name.empty() && name.back() == '.') name.pop_back();
  return name;
}

}  // namespace

std::vector<std::string> splitList(std::string_view text, char separator) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto end = std::min(text.find(separator, start), text.size());
    std::string item = trimWhitespace(text.substr(start, end - start));
    if (!item.empty()) items.push_back(std::move(item));
    start = end + 1;
  }
  return items;
}

bool proxyExceptionNamesHost(std::string_view entry, const URL& url) {
  std::string item = toLower(trimWhitespace(entry));
  if (item == "*") return true;
  // A port: after the brackets of an IPv6 address, else after a single colon.
  std::optional<std::string> port;
  if (!item.empty() && item.front() == '[') {
    const auto close = item.find(']');
    if (close == std::string::npos) return false;
    const std::string rest = item.substr(close + 1);
    if (!rest.empty() && rest.front() == ':') port = rest.substr(1);
    else if (!rest.empty()) return false;
    item = item.substr(1, close - 1);
  } else if (const auto colon = item.find(':'); colon != std::string::npos && item.rfind(':') == colon) {
    port = item.substr(colon + 1);
    item = item.substr(0, colon);
  }
  if (port && *port != std::to_string(url.effectivePort())) return false;
  if (item.empty()) return false;

  const std::string host = withoutTrailingDot(url.host());
  if (const auto slash = item.find('/'); slash != std::string::npos) {
    int bits = -1;
    const std::string length = item.substr(slash + 1);
    const auto [end, error] = std::from_chars(length.data(), length.data() + length.size(), bits);
    if (error != std::errc() || end != length.data() + length.size()) return false;
    return inNetwork(parseAddress(host), parseAddress(item.substr(0, slash)), bits);
  }
  if (const Address address = parseAddress(item); address.length != 0) {
    const Address hostAddress = parseAddress(host);
    return hostAddress.length == address.length && hostAddress.bytes == address.bytes;
  }
  if (item.rfind("*.", 0) == 0) item = item.substr(2);
  else if (item.front() == '.') item = item.substr(1);
  item = withoutTrailingDot(item);
  if (item.empty()) return false;  // "." names no host
  // The name itself, or a name below it.
  return host == item || host.ends_with("." + item);
}

std::optional<ProxyEntry> parseProxySetting(std::string_view value, std::string_view defaultScheme) {
  std::string text = trimWhitespace(value);
  std::string scheme(defaultScheme);
  if (const auto at = text.find("://"); at != std::string::npos) {
    scheme = toLower(text.substr(0, at));
    text = text.substr(at + 3);
  }
  // KDE writes the port after a space.
  if (const auto space = text.rfind(' '); space != std::string::npos)
    text = trimWhitespace(text.substr(0, space)) + ":" + text.substr(space + 1);
  const URL url = URL::URLWithString(scheme + "://" + text);
  if (url.empty() || url.host().empty()) return std::nullopt;
  ProxyEntry entry;
  entry.host = url.host();
  if (scheme == "http" || scheme == "https") {
    entry.type = kProxyTypeHTTP;
    entry.port = url.port().value_or(scheme == "https" ? 443 : 80);
  } else if (scheme.rfind("socks", 0) == 0) {
    entry.type = kProxyTypeSOCKS;
    entry.port = url.port().value_or(1080);
  } else {
    return std::nullopt;
  }
  return entry;
}

std::optional<std::vector<ProxyEntry>> systemProxiesForURL(const URL& url, EnvironmentLookup lookup) {
  const bool process = !lookup;
  if (process) lookup = &processEnvironment;
  if (proxyVariable(url, lookup)) return environmentProxiesForURL(url, lookup);
  const auto desktop = process ? recentDesktopProxySettings()
                               : std::make_shared<const std::optional<DesktopProxySettings>>(desktopProxySettings(lookup));
  if (!*desktop) return std::vector<ProxyEntry>();
  return desktopProxiesForURL(url, **desktop);
}

std::optional<ProxyAccount> systemProxyAccount(const URL& url, std::string_view host, int port,
                                               EnvironmentLookup lookup) {
  const auto proxies = systemProxiesForURL(url, lookup);
  if (!proxies || proxies->empty()) return std::nullopt;
  const ProxyEntry& proxy = proxies->front();
  if (proxy.port != port || !equalsIgnoringCase(proxy.host, host)) return std::nullopt;
  return proxy.account;
}

std::optional<std::vector<ProxyEntry>> environmentProxiesForURL(const URL& url, EnvironmentLookup lookup) {
  if (!lookup) lookup = &processEnvironment;
  std::vector<ProxyEntry> list;
  const auto value = proxyVariable(url, lookup);
  if (!value) return list;
  auto noProxy = lookup("no_proxy");
  if (!noProxy) noProxy = lookup("NO_PROXY");
  if (noProxy) {
    for (const std::string& entry : splitList(*noProxy, ','))
      if (proxyExceptionNamesHost(entry, url)) return list;
  }
  auto entry = parseProxySetting(*value);
  if (!entry) return std::nullopt;
  list.push_back(*entry);
  return list;
}

std::vector<ProxyEntry> parsePACResult(std::string_view result) {
  std::vector<ProxyEntry> out;
  for (const std::string& item : splitList(result, ';')) {
    const auto space = item.find_first_of(" \t");
    const std::string kind = toLower(item.substr(0, space));
    if (kind == "direct") {
      out.push_back(ProxyEntry{});
      continue;
    }
    if (space == std::string::npos) continue;
    const std::string address = trimWhitespace(item.substr(space));
    std::string type;
    if (kind == "proxy" || kind == "http" || kind == "https") type = kProxyTypeHTTP;
    else if (kind == "socks" || kind == "socks4" || kind == "socks5") type = kProxyTypeSOCKS;
    else continue;
    const URL url = URL::URLWithString("http://" + address);
    if (url.empty() || url.host().empty()) continue;
    out.push_back(ProxyEntry{url.host(), url.port().value_or(type == kProxyTypeSOCKS ? 1080 : 80), type, {}, {}});
  }
  return out;
}

}  // namespace td
