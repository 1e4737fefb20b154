#pragma once
// State shared by all requests of the engine, for the request's own source files.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "http/ASIHTTPRequest.h"
#include "http/BandwidthThrottle.h"

namespace td {

// A persistent connection record of the pool.
struct ASIConnectionInfo {
  int id = 0;
  std::string host;
  int port = 0;  // the port written in the URL, 0 when none
  std::string scheme;
  std::string proxy;  // the proxy it goes through ("http://host:port", "socks://host:port"), empty for none
  std::optional<std::uint64_t> request;  // requestID of the request now using it
  std::shared_ptr<HTTPConnectionShare> stream;
  std::optional<Clock::TimePoint> expires;
  const RunLoop* loop = nullptr;  // connections belong to the loop whose transfers opened them
};

struct ASIHTTPRequestClassState {
  ASIHTTPRequestClassState();

  // The class's own synchronisation lock: user agent, default cache.
  std::mutex classLock;
  std::optional<std::string> defaultUserAgent;
  std::shared_ptr<ASICacheDelegate> defaultCache;
  std::atomic<double> defaultTimeOutSeconds{10.0};

  RecursiveMutex sessionCookiesLock;
  std::optional<std::vector<HTTPCookie>> sessionCookies;

  RecursiveMutex sessionCredentialsLock;
  std::vector<ASISessionCredentials> sessionCredentialsStore;
  std::vector<ASISessionCredentials> sessionProxyCredentialsStore;

  std::shared_ptr<OperationQueue> sharedQueue;

  RecursiveMutex connectionsLock;
  int runningRequestCount = 0;
  bool shouldUpdateNetworkActivityIndicator = true;
  std::vector<std::shared_ptr<ASIConnectionInfo>> persistentConnectionsPool;
  int nextConnectionNumberToCreate = 0;
  std::uint64_t nextRequestID = 0;

  RecursiveMutex progressLock;
  RecursiveMutex delegateAuthenticationLock;

  BandwidthThrottle throttle;
};

ASIHTTPRequestClassState& asiState();

inline Clock::Duration asiSeconds(double s) {
  return std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(s));
}

// The Basic scheme's name.
inline constexpr const char* kHTTPAuthenticationSchemeBasic = "Basic";

}  // namespace td
