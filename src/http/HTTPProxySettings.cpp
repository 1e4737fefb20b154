#include "http/HTTPProxySettings.h"

#include <cstdlib>

#include "http/ASIHTTPRequest.h"
#include "http/HTTPHeaders.h"

namespace td {
namespace {

std::optional<std::string> processEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

// A proxy variable: "host:port", "http://host:port/", "socks5://[::1]:1080". Nothing when unreadable.
std::optional<ProxyEntry> parseProxyVariable(const std::string& value) {
  std::string text = trimWhitespace(value);
  std::string scheme = "http";
  if (const auto at = text.find("://"); at != std::string::npos) {
    scheme = toLower(text.substr(0, at));
  } else {
    text = "http://" + text;
  }
  const URL url = URL::URLWithString(text);
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

bool bypassed(const URL& url, const std::string& noProxy) {
  const std::string host = url.host();
  std::size_t start = 0;
  while (start <= noProxy.size()) {
    const auto comma = noProxy.find(',', start);
    std::string item = toLower(trimWhitespace(noProxy.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    start = comma == std::string::npos ? noProxy.size() + 1 : comma + 1;
    if (item.empty()) continue;
    if (item == "*") return true;
    // "host:port" applies to that port only.
    if (const auto colon = item.rfind(':'); colon != std::string::npos && item.find(']') == std::string::npos &&
                                            item.find(':') == colon) {
      if (item.substr(colon + 1) != std::to_string(url.effectivePort())) continue;
      item = item.substr(0, colon);
    }
    if (!item.empty() && item.front() == '[' && item.back() == ']') item = item.substr(1, item.size() - 2);
    if (!item.empty() && item.front() == '.') item = item.substr(1);
    if (item.empty()) continue;  // "[]" or "." names no host
    if (host == item) return true;
    if (host.size() > item.size() && host.compare(host.size() - item.size(), item.size(), item) == 0 &&
        host[host.size() - item.size() - 1] == '.')
      return true;
  }
  return false;
}

}  // namespace

std::optional<std::vector<ProxyEntry>> environmentProxiesForURL(const URL& url, EnvironmentLookup lookup) {
  if (!lookup) lookup = &processEnvironment;
  std::vector<ProxyEntry> list;
  std::optional<std::string> value;
  if (url.scheme() == "https") {
    value = lookup("https_proxy");
    if (!value) value = lookup("HTTPS_PROXY");
  } else if (url.scheme() == "http") {
    value = lookup("http_proxy");  // not HTTP_PROXY, which a CGI environment lets a client set
  }
  if (!value || trimWhitespace(*value).empty()) return list;
  auto noProxy = lookup("no_proxy");
  if (!noProxy) noProxy = lookup("NO_PROXY");
  if (noProxy && bypassed(url, *noProxy)) return list;
  auto entry = parseProxyVariable(*value);
  if (!entry) return std::nullopt;
  list.push_back(*entry);
  return list;
}

std::vector<ProxyEntry> parsePACResult(std::string_view result) {
  std::vector<ProxyEntry> out;
  std::size_t start = 0;
  while (start <= result.size()) {
    const auto semicolon = result.find(';', start);
    const std::string item = trimWhitespace(result.substr(start, semicolon == std::string_view::npos ? std::string_view::npos : semicolon - start));
    start = semicolon == std::string_view::npos ? result.size() + 1 : semicolon + 1;
    if (item.empty()) continue;
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
    out.push_back(ProxyEntry{url.host(), url.port().value_or(type == kProxyTypeSOCKS ? 1080 : 80), type});
  }
  return out;
}

}  // namespace td
