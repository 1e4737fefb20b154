// What choosing a request's proxy costs: a typical proxy script run once (a fresh script engine per
// run, under its time and heap limits; no name lookups), and a read of the system's settings (the
// environment, then the desktop's store) for one URL.

#include <benchmark/benchmark.h>

#include <chrono>

#include "http/HTTPProxySettings.h"

namespace {

using namespace td;
using namespace std::chrono_literals;

constexpr const char* kScript = R"JS(
function FindProxyForURL(url, host) {
  if (isPlainHostName(host) || dnsDomainIs(host, ".corp.example")) return "DIRECT";
  var address = /^\d+\.\d+\.\d+\.\d+$/.test(host);
  if (address && (isInNet(host, "10.0.0.0", "255.0.0.0") || isInNet(host, "192.168.0.0", "255.255.0.0"))) return "DIRECT";
  if (shExpMatch(url, "https://*.bank.example/*")) return "PROXY secure.proxy.example:8443";
  var rules = [["*.news.example", "PROXY news.proxy:3128"], ["*.video.example", "PROXY media.proxy:3128"]];
  for (var i = 0; i < rules.length; i++) if (shExpMatch(host, rules[i][0])) return rules[i][1];
  return "PROXY web.proxy.example:3128; DIRECT";
})JS";

void BM_ProxyScriptRun(benchmark::State& state) {
  const URL url = URL::URLWithString("http://www.video.example/watch?v=1");
  for (auto _ : state) benchmark::DoNotOptimize(evaluatePACScript(kScript, url, PACScriptLimits{}));
}

void BM_SystemProxiesForURL(benchmark::State& state) {
  const URL url = URL::URLWithString("http://www.example.com/");
  for (auto _ : state) benchmark::DoNotOptimize(systemProxiesForURL(url));
}

BENCHMARK(BM_ProxyScriptRun)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SystemProxiesForURL)->Unit(benchmark::kMicrosecond);

}  // namespace
