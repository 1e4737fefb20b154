#pragma once
// Where a request's proxy comes from when it names none: the system's settings (the environment's
// http_proxy, https_proxy and no_proxy, else the desktop's own, see DesktopProxySettings.h) and
// proxy auto-configuration scripts.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/URL.h"

namespace td {

// A user name and password the system's settings keep for a proxy.
struct ProxyAccount {
  std::string user;
  std::string password;
};

struct ProxyEntry {
  std::string host;
  int port = 0;
  std::string type;  // kProxyTypeHTTP or kProxyTypeSOCKS
  // Set instead of a host: the proxy auto-configuration script at this URL chooses.
  std::string autoConfigURL;
  // The account the desktop keeps for this proxy (GNOME's for its http proxy), if any.
  std::optional<ProxyAccount> account;
};

// Reads a variable of the environment (the process environment when none is given).
using EnvironmentLookup = std::optional<std::string> (*)(const char* name);
// The process environment's lookup.
std::optional<std::string> processEnvironment(const char* name);

// The proxies the system's settings give for the URL: the environment's when it names a proxy for
// the URL's scheme, else the desktop's own. An empty list for a direct connection, nothing when a
// setting cannot be read.
std::optional<std::vector<ProxyEntry>> systemProxiesForURL(const URL& url, EnvironmentLookup lookup = nullptr);

// The account the system's settings keep for the proxy at `host`:`port`, when that is the proxy they
// give for the URL: only the desktop's own settings keep one (see DesktopProxySettings.h), so nothing
// when the environment names the URL's proxy.
std::optional<ProxyAccount> systemProxyAccount(const URL& url, std::string_view host, int port,
                                               EnvironmentLookup lookup = nullptr);

// The proxies the environment gives for the URL: an empty list for a direct connection, nothing when
// a proxy variable cannot be read.
std::optional<std::vector<ProxyEntry>> environmentProxiesForURL(const URL& url, EnvironmentLookup lookup = nullptr);

// A proxy as the environment and the desktops write it: "host:port", "http://host:port/",
// "socks5://[::1]:1080", KDE's "http://host 8080"; `defaultScheme` when it names none. Nothing when
// it cannot be read.
std::optional<ProxyEntry> parseProxySetting(std::string_view value, std::string_view defaultScheme = "http");

// The items of a list such as no_proxy's ("a, b,,c"): trimmed, empty ones left out.
std::vector<std::string> splitList(std::string_view text, char separator);

// Whether an entry of a list of hosts that go direct names the URL's host: "*" names every host; a
// name ("example.com", ".example.com", "*.example.com") names itself and every name below it; an
// address ("10.1.2.3", "::1", "[::1]") itself; a network ("192.168.0.0/16", "fe80::/10") every
// address in it. A ":port" after it (an IPv6 address then in brackets) limits it to that port.
bool proxyExceptionNamesHost(std::string_view entry, const URL& url);

// The entries of a proxy script's answer ("PROXY host:port; SOCKS host:port; DIRECT"), in order. A
// DIRECT entry gives an entry with an empty host; entries that cannot be read are skipped.
std::vector<ProxyEntry> parsePACResult(std::string_view result);

// Resolves a host name to its first IPv4 address as text, nothing when it has none. It may block.
using PACHostResolver = std::function<std::optional<std::string>(const std::string& host)>;

// What a proxy script may take: the time from the start of its evaluation to its answer (loading,
// running and name lookups included), and the bytes its engine's heap may hold.
struct PACScriptLimits {
  std::chrono::milliseconds time{2000};
  std::size_t heapBytes = std::size_t{32} << 20;
};
// The limits the engine's requests give their proxy scripts (process-wide; tests shorten them).
PACScriptLimits pacScriptLimits();
void setPACScriptLimits(PACScriptLimits limits);

// What stopped a proxy script that gave no answer: its time, its heap's cap (an allocation refused
// there ended it before its time), or neither (it did not load, threw, or answered no text).
enum class PACScriptStop { None, Time, HeapCap };

// Runs FindProxyForURL(url, host) of the script, with the standard helper functions, within
// `limits`: whatever the script calls, it is stopped at its time (a name lookup still unanswered
// then answers null) and an allocation past the heap's bytes fails. The URL goes without user name
// and password. Nothing when the script does not load, throws, is stopped or answers no text; then
// `stop`, when given, tells what stopped it (None after an answer). `resolver` stands in for the
// system's name lookup (tests).
std::optional<std::string> evaluatePACScript(const std::string& script, const URL& url, const PACScriptLimits& limits,
                                             PACHostResolver resolver = {}, PACScriptStop* stop = nullptr);

// The same on a thread of its own, which hands the answer to `done` (on that thread). False when no
// thread could be had; `done` is then not called.
using PACAnswerHandler = std::function<void(std::optional<std::string> answer)>;
bool evaluatePACScriptInBackground(std::string script, URL url, PACScriptLimits limits, PACAnswerHandler done);

}  // namespace td
