// Proxy auto-configuration scripts in an embedded JavaScript engine, with the standard helper
// functions. A script gets a fixed time to answer; one that runs longer is stopped. The native
// helpers (name lookups, the machine's address) may block, so they run on a thread of their own and
// are waited for only as long as the script may still run.

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "duktape.h"
#include "http/HTTPProxySettings.h"

namespace {

// What a running script's native helpers reach through the engine's user data.
struct ScriptContext {
  std::chrono::steady_clock::time_point end;
  td::PACHostResolver resolver;
};

}  // namespace

// Called by the engine from time to time while a script runs: true stops the script.
extern "C" int td_pac_exec_timeout_check(void* udata) {
  const auto* context = static_cast<const ScriptContext*>(udata);
  return context && std::chrono::steady_clock::now() > context->end ? 1 : 0;
}

namespace td {
namespace {

// The helper functions every proxy script may call; dnsResolve and myIpAddress are native.
constexpr const char* kHelpers = R"JS(
function dnsDomainIs(host, domain) {
  host = String(host); domain = String(domain);
  return host.length >= domain.length && host.substring(host.length - domain.length) == domain;
}
function dnsDomainLevels(host) { return String(host).split('.').length - 1; }
function isPlainHostName(host) { return String(host).indexOf('.') < 0; }
function localHostOrDomainIs(host, hostdom) {
  host = String(host); hostdom = String(hostdom);
  return host == hostdom || hostdom.lastIndexOf(host + '.', 0) == 0;
}
function isResolvable(host) { return dnsResolve(host) !== null; }
function convert_addr(ipchars) {
  var bytes = String(ipchars).split('.');
  return ((bytes[0] & 0xff) << 24) | ((bytes[1] & 0xff) << 16) | ((bytes[2] & 0xff) << 8) | (bytes[3] & 0xff);
}
function isInNet(ipaddr, pattern, maskstr) {
  var test = /^(\d{1,3})\.(\d{1,3})\.(\d{1,3})\.(\d{1,3})$/.test(String(ipaddr));
  if (!test) { ipaddr = dnsResolve(ipaddr); if (ipaddr === null) return false; }
  return (convert_addr(ipaddr) & convert_addr(maskstr)) == (convert_addr(pattern) & convert_addr(maskstr));
}
function shExpMatch(url, pattern) {
  pattern = String(pattern).replace(/\./g, '\\.').replace(/\*/g, '.*').replace(/\?/g, '.');
  return new RegExp('^' + pattern + '$').test(String(url));
}
var __days = {SUN: 0, MON: 1, TUE: 2, WED: 3, THU: 4, FRI: 5, SAT: 6};
var __months = {JAN: 0, FEB: 1, MAR: 2, APR: 3, MAY: 4, JUN: 5, JUL: 6, AUG: 7, SEP: 8, OCT: 9, NOV: 10, DEC: 11};
function __args(args) {
  var a = Array.prototype.slice.call(args);
  var gmt = a.length > 0 && a[a.length - 1] == 'GMT';
  if (gmt) a.pop();
  return {list: a, gmt: gmt};
}
function weekdayRange() {
  var p = __args(arguments), now = new Date();
  var day = p.gmt ? now.getUTCDay() : now.getDay();
  var d1 = __days[p.list[0]], d2 = p.list.length > 1 ? __days[p.list[1]] : d1;
  if (d1 === undefined || d2 === undefined) return false;
  return d1 <= d2 ? (day >= d1 && day <= d2) : (day >= d1 || day <= d2);
}
function dateRange() {
  var p = __args(arguments), now = new Date(), a = p.list;
  var day = p.gmt ? now.getUTCDate() : now.getDate();
  var month = p.gmt ? now.getUTCMonth() : now.getMonth();
  var year = p.gmt ? now.getUTCFullYear() : now.getFullYear();
  function value(x) {
    if (typeof x == 'string' && __months[x] !== undefined) return {m: __months[x]};
    var n = Number(x);
    return n > 31 ? {y: n} : {d: n};
  }
  var v = a.map(value);
  function key(o, which) {
    return (o.y !== undefined ? o.y : year) * 10000 + (o.m !== undefined ? o.m : month) * 100 + (o.d !== undefined ? o.d : day);
  }
  var today = year * 10000 + month * 100 + day;
  if (v.length == 1) {
    var o = v[0];
    return (o.d === undefined || o.d == day) && (o.m === undefined || o.m == month) && (o.y === undefined || o.y == year);
  }
  var half = v.length / 2, lo = {}, hi = {};
  for (var i = 0; i < half; i++) { for (var k in v[i]) lo[k] = v[i][k]; for (var k2 in v[i + half]) hi[k2] = v[i + half][k2]; }
  var from = key(lo), to = key(hi);
  return from <= to ? (today >= from && today <= to) : (today >= from || today <= to);
}
function timeRange() {
  var p = __args(arguments), now = new Date(), a = p.list.map(Number);
  var h = p.gmt ? now.getUTCHours() : now.getHours();
  var m = p.gmt ? now.getUTCMinutes() : now.getMinutes();
  var s = p.gmt ? now.getUTCSeconds() : now.getSeconds();
  var t = h * 3600 + m * 60 + s, from, to;
  if (a.length == 1) return h == a[0];
  if (a.length == 2) { from = a[0] * 3600; to = a[1] * 3600 + 3599; }
  else if (a.length == 4) { from = a[0] * 3600 + a[1] * 60; to = a[2] * 3600 + a[3] * 60 + 59; }
  else if (a.length == 6) { from = a[0] * 3600 + a[1] * 60 + a[2]; to = a[3] * 3600 + a[4] * 60 + a[5]; }
  else return false;
  return from <= to ? (t >= from && t <= to) : (t >= from || t <= to);
}
function alert(message) {}
)JS";

const ScriptContext& contextOf(duk_context* ctx) {
  duk_memory_functions functions{};
  duk_get_memory_functions(ctx, &functions);
  return *static_cast<const ScriptContext*>(functions.udata);
}

// Runs `work` on a thread of its own and waits for its answer until the script's time is up; nothing
// when the time ran out first (the thread then finishes on its own, and its answer is dropped).
std::optional<std::string> runBounded(const ScriptContext& context, std::function<std::optional<std::string>()> work) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::optional<std::string> answer;
  };
  if (std::chrono::steady_clock::now() >= context.end) return std::nullopt;
  auto shared = std::make_shared<Shared>();
  try {
    std::thread([shared, work = std::move(work)] {
      auto answer = work();
      std::lock_guard lock(shared->mutex);
      shared->answer = std::move(answer);
      shared->finished = true;
      shared->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread to be had: no answer
  }
  std::unique_lock lock(shared->mutex);
  if (!shared->done.wait_until(lock, context.end, [&] { return shared->finished; })) return std::nullopt;
  return std::move(shared->answer);
}

std::optional<std::string> resolveWithSystem(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* result = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || !result) return std::nullopt;
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr, text, sizeof text);
  ::freeaddrinfo(result);
  return std::string(text);
}

std::optional<std::string> firstInterfaceAddress() {
  std::string address = "127.0.0.1";
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) == 0) {
    for (ifaddrs* i = list; i; i = i->ifa_next) {
      if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
      char text[INET_ADDRSTRLEN] = {};
      ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr, text, sizeof text);
      if (std::strncmp(text, "127.", 4) != 0) {
        address = text;
        break;
      }
    }
    ::freeifaddrs(list);
  }
  return address;
}

void pushAnswer(duk_context* ctx, const std::optional<std::string>& answer) {
  if (answer) duk_push_string(ctx, answer->c_str());
  else duk_push_null(ctx);
}

duk_ret_t nativeDnsResolve(duk_context* ctx) {
  const ScriptContext& context = contextOf(ctx);
  std::string host = duk_safe_to_string(ctx, 0);
  pushAnswer(ctx, runBounded(context, [resolver = context.resolver, host = std::move(host)] { return resolver(host); }));
  return 1;
}

duk_ret_t nativeMyIpAddress(duk_context* ctx) {
  // Past the script's time the answer no longer matters; the loopback address stands in.
  pushAnswer(ctx, runBounded(contextOf(ctx), &firstInterfaceAddress).value_or("127.0.0.1"));
  return 1;
}

struct Heap {
  duk_context* ctx;
  ~Heap() {
    if (ctx) duk_destroy_heap(ctx);
  }
};

duk_ret_t evalHelpersAndScript(duk_context* ctx, void* script) {
  duk_push_c_function(ctx, nativeDnsResolve, 1);
  duk_put_global_string(ctx, "dnsResolve");
  duk_push_c_function(ctx, nativeMyIpAddress, 0);
  duk_put_global_string(ctx, "myIpAddress");
  duk_eval_string_noresult(ctx, kHelpers);
  const auto* text = static_cast<const std::string*>(script);
  duk_push_lstring(ctx, text->data(), text->size());
  duk_eval_noresult(ctx);
  return 0;
}

}  // namespace

std::optional<std::string> evaluatePACScript(const std::string& script, const URL& url,
                                             std::chrono::milliseconds timeLimit, PACHostResolver resolver) {
  ScriptContext context{std::chrono::steady_clock::now() + timeLimit,
                        resolver ? std::move(resolver) : PACHostResolver(&resolveWithSystem)};
  Heap heap{duk_create_heap(nullptr, nullptr, nullptr, &context, nullptr)};
  if (!heap.ctx) return std::nullopt;
  duk_context* ctx = heap.ctx;
  if (duk_safe_call(ctx, evalHelpersAndScript, const_cast<std::string*>(&script), 0, 1) != DUK_EXEC_SUCCESS)
    return std::nullopt;
  duk_pop(ctx);
  if (!duk_get_global_string(ctx, "FindProxyForURL") || !duk_is_function(ctx, -1)) return std::nullopt;
  // The script sees the address without the user's name and password.
  duk_push_string(ctx, url.transportString().c_str());
  duk_push_string(ctx, url.host().c_str());
  if (duk_pcall(ctx, 2) != DUK_EXEC_SUCCESS) return std::nullopt;
  if (!duk_is_string(ctx, -1)) return std::nullopt;
  std::string result = duk_get_string(ctx, -1);
  if (result.empty()) return std::nullopt;
  return result;
}

}  // namespace td
