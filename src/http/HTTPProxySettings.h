#pragma once
// Where a request's proxy comes from when it names none: the environment (http_proxy, https_proxy,
// no_proxy) and proxy auto-configuration scripts.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/URL.h"

namespace td {

struct ProxyEntry {
  std::string host;
  int port = 0;
  std::string type;  // kProxyTypeHTTP or kProxyTypeSOCKS
};

// The proxies the environment gives for the URL: an empty list for a direct connection, nothing when
// a proxy variable cannot be read. `lookup` reads a variable (the process environment by default).
using EnvironmentLookup = std::optional<std::string> (*)(const char* name);
std::optional<std::vector<ProxyEntry>> environmentProxiesForURL(const URL& url, EnvironmentLookup lookup = nullptr);

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

// Runs FindProxyForURL(url, host) of the script, with the standard helper functions, within
// `limits`: whatever the script calls, it is stopped at its time (a name lookup still unanswered
// then answers null) and an allocation past the heap's bytes fails. The URL goes without user name
// and password. Nothing when the script does not load, throws, is stopped or answers no text.
// `resolver` stands in for the system's name lookup (tests).
std::optional<std::string> evaluatePACScript(const std::string& script, const URL& url, const PACScriptLimits& limits,
                                             PACHostResolver resolver = {});

// The same on a thread of its own, which hands the answer to `done` (on that thread). False when no
// thread could be had; `done` is then not called.
using PACAnswerHandler = std::function<void(std::optional<std::string> answer)>;
bool evaluatePACScriptInBackground(std::string script, URL url, PACScriptLimits limits, PACAnswerHandler done);

}  // namespace td
