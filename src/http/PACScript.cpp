// Proxy auto-configuration scripts in an embedded JavaScript engine, with the standard helper
// functions. A script has a deadline and a heap of bounded size, and nothing it calls outlasts them:
// the engine's allocation functions here refuse past the heap's bytes and past the deadline, the
// engine asks for the time every few instructions, in its regular-expression matcher and in its sort
// (see src/http/Duktape.cmake), and the native helpers that may block (name lookups, the machine's
// address) run on a thread of their own and are waited for only as long as the script may run.
// Errors of the engine are C++ exceptions; a fatal one leaves a heap that cannot be destroyed, whose
// blocks are then freed here one by one.

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "duktape.h"
#include "http/HTTPProxySettings.h"

namespace {

// The engine's heap: every block it holds, their total, and the limits. One script's engine only,
// on one thread.
class ScriptHeap {
 public:
  ScriptHeap(std::size_t capacity, std::chrono::steady_clock::time_point end) : capacity_(capacity), end_(end) {
    blocks_.prev = blocks_.next = &blocks_;
  }
  ~ScriptHeap() { releaseAll(); }
  ScriptHeap(const ScriptHeap&) = delete;
  ScriptHeap& operator=(const ScriptHeap&) = delete;

  // True from the deadline on (and then always).
  bool expired() {
    if (!expired_ && std::chrono::steady_clock::now() >= end_) expired_ = true;
    return expired_;
  }
  std::chrono::steady_clock::time_point end() const { return end_; }
  // What stopped the script, if the heap did: its deadline (once found passed) before its cap.
  td::PACScriptStop stoppedBy() const {
    return expired_ ? td::PACScriptStop::Time : capped_ ? td::PACScriptStop::HeapCap : td::PACScriptStop::None;
  }

  void* allocate(std::size_t size) {
    if (!admits(size, sizeof(Block) + size)) return nullptr;
    auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + size));
    if (!block) return nullptr;
    block->size = size;
    link(block);
    return block + 1;
  }
  void* reallocate(void* pointer, std::size_t size) {
    if (!pointer) return allocate(size);
    Block* block = static_cast<Block*>(pointer) - 1;
    const std::size_t old = block->size;
    // Shrinking is always allowed: it only gives bytes back.
    if (size > old && !admits(size, size - old)) return nullptr;
    unlink(block);
    auto* moved = static_cast<Block*>(std::realloc(block, sizeof(Block) + size));
    if (!moved) {
      link(block);
      return nullptr;
    }
    moved->size = size;
    link(moved);
    return moved + 1;
  }
  void release(void* pointer) {
    if (!pointer) return;
    Block* block = static_cast<Block*>(pointer) - 1;
    unlink(block);
    std::free(block);
  }
  // Frees what the engine still holds (after a fatal error, whose heap cannot be destroyed).
  void releaseAll() {
    while (blocks_.next != &blocks_) release(blocks_.next + 1);
  }

 private:
  struct alignas(std::max_align_t) Block {
    Block* prev;
    Block* next;
    std::size_t size;
  };

  // Whether the heap may grow by `more` bytes for a block of `size` bytes; a refusal at the cap is
  // noted. (The time is looked at every 16th allocation: the engine allocates often.)
  bool admits(std::size_t size, std::size_t more) {
    if (expired_ || ((++allocations_ & 15U) == 0 && expired())) return false;
    if (size <= capacity_ && more <= capacity_ - used_) return true;
    capped_ = true;
    return false;
  }
  void link(Block* block) {
    block->prev = &blocks_;
    block->next = blocks_.next;
    blocks_.next->prev = block;
    blocks_.next = block;
    used_ += sizeof(Block) + block->size;
  }
  void unlink(Block* block) {
    block->prev->next = block->next;
    block->next->prev = block->prev;
    used_ -= sizeof(Block) + block->size;
  }

  const std::size_t capacity_;
  const std::chrono::steady_clock::time_point end_;
  bool expired_ = false;
  bool capped_ = false;  // an allocation was refused at the cap
  unsigned allocations_ = 0;
  std::size_t used_ = 0;
  Block blocks_{};  // the list's anchor
};

// What a running script's engine reaches through its user data.
struct ScriptContext {
  ScriptHeap heap;
  td::PACHostResolver resolver;
};

// The lowest stack address the engine may reach on the calling thread: the stack's end plus a margin
// for the frames between two of the engine's checks and for the error it then throws. None when the
// stack cannot be found.
const char* stackFloorOfThisThread() {
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return nullptr;
  const char* floor = nullptr;
  void* low = nullptr;
  std::size_t size = 0;
  if (pthread_attr_getstack(&attributes, &low, &size) == 0 && low) {
    const std::size_t margin = std::max<std::size_t>(std::size_t{256} << 10, size / 8);
    if (size > margin) floor = static_cast<const char*>(low) + margin;
  }
  pthread_attr_destroy(&attributes);
  return floor;
}

void* allocateInScript(void* udata, duk_size_t size) { return static_cast<ScriptContext*>(udata)->heap.allocate(size); }
void* reallocateInScript(void* udata, void* pointer, duk_size_t size) {
  return static_cast<ScriptContext*>(udata)->heap.reallocate(pointer, size);
}
void releaseInScript(void* udata, void* pointer) { static_cast<ScriptContext*>(udata)->heap.release(pointer); }

}  // namespace

// Called by the engine from time to time while a script runs: true stops the script (and keeps
// answering true until the script has unwound).
extern "C" int td_pac_exec_timeout_check(void* udata) {
  return udata && static_cast<ScriptContext*>(udata)->heap.expired() ? 1 : 0;
}

// Called by the engine before each nested native step: true stops the script with an error. (The
// floor is found once per thread: for the main thread that reads /proc.)
extern "C" int td_pac_native_stack_check(void) {
  static thread_local const char* const floor = stackFloorOfThisThread();
  const auto* here = static_cast<const char*>(__builtin_frame_address(0));
  return floor && here < floor ? 1 : 0;
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

ScriptContext& contextOf(duk_context* ctx) {
  duk_memory_functions functions{};
  duk_get_memory_functions(ctx, &functions);
  return *static_cast<ScriptContext*>(functions.udata);
}

// Runs `work` on a thread of its own and waits for its answer until the script's time is up; nothing
// when the time ran out first (the thread then finishes on its own, and its answer is dropped).
std::optional<std::string> runBounded(ScriptContext& context, std::function<std::optional<std::string>()> work) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::optional<std::string> answer;
  };
  if (context.heap.expired()) return std::nullopt;
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
  if (!shared->done.wait_until(lock, context.heap.end(), [&] { return shared->finished; })) return std::nullopt;
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

// (An allocation the engine refuses here throws through the caller, whose objects are unwound.)
void pushAnswer(duk_context* ctx, const std::optional<std::string>& answer) {
  if (answer) duk_push_string(ctx, answer->c_str());
  else duk_push_null(ctx);
}

duk_ret_t nativeDnsResolve(duk_context* ctx) {
  ScriptContext& context = contextOf(ctx);
  std::string host = duk_safe_to_string(ctx, 0);
  pushAnswer(ctx, runBounded(context, [resolver = context.resolver, host = std::move(host)] { return resolver(host); }));
  return 1;
}

duk_ret_t nativeMyIpAddress(duk_context* ctx) {
  // Past the script's time the answer no longer matters; the loopback address stands in.
  pushAnswer(ctx, runBounded(contextOf(ctx), &firstInterfaceAddress).value_or("127.0.0.1"));
  return 1;
}

// What one evaluation hands in and takes out of the engine.
struct Evaluation {
  const std::string& script;
  const td::URL& url;
  std::optional<std::string> answer;
};

// Everything in one protected call: the helpers, the script, FindProxyForURL and its answer.
duk_ret_t evaluateInEngine(duk_context* ctx, void* data) {
  auto& evaluation = *static_cast<Evaluation*>(data);
  duk_push_c_function(ctx, nativeDnsResolve, 1);
  duk_put_global_string(ctx, "dnsResolve");
  duk_push_c_function(ctx, nativeMyIpAddress, 0);
  duk_put_global_string(ctx, "myIpAddress");
  duk_eval_string_noresult(ctx, kHelpers);
  duk_push_lstring(ctx, evaluation.script.data(), evaluation.script.size());
  duk_eval_noresult(ctx);
  if (!duk_get_global_string(ctx, "FindProxyForURL") || !duk_is_function(ctx, -1)) return 0;
  // The script sees the address without the user's name and password.
  duk_push_string(ctx, evaluation.url.transportString().c_str());
  duk_push_string(ctx, evaluation.url.host().c_str());
  duk_call(ctx, 2);
  duk_size_t length = 0;
  if (const char* text = duk_is_string(ctx, -1) ? duk_get_lstring(ctx, -1, &length) : nullptr; text && length > 0)
    evaluation.answer = std::string(text, length);
  return 0;
}

// The evaluation in an engine whose heap is the context's.
std::optional<std::string> evaluateInHeap(ScriptContext& context, Evaluation evaluation) {
  try {
    duk_context* ctx = duk_create_heap(allocateInScript, reallocateInScript, releaseInScript, &context, nullptr);
    if (!ctx) return std::nullopt;
    const bool succeeded = duk_safe_call(ctx, evaluateInEngine, &evaluation, 0, 1) == DUK_EXEC_SUCCESS;
    duk_destroy_heap(ctx);
    if (!succeeded) return std::nullopt;
  } catch (...) {
    // A fatal error of the engine (duk_fatal_exception): its heap is in no state to be destroyed;
    // the context's heap frees its blocks instead.
    return std::nullopt;
  }
  return std::move(evaluation.answer);
}

std::mutex limitsMutex;
PACScriptLimits currentLimits;

}  // namespace

PACScriptLimits pacScriptLimits() {
  std::lock_guard lock(limitsMutex);
  return currentLimits;
}

void setPACScriptLimits(PACScriptLimits limits) {
  std::lock_guard lock(limitsMutex);
  currentLimits = limits;
}

std::optional<std::string> evaluatePACScript(const std::string& script, const URL& url, const PACScriptLimits& limits,
                                             PACHostResolver resolver, PACScriptStop* stop) {
  ScriptContext context{ScriptHeap(limits.heapBytes, std::chrono::steady_clock::now() + limits.time),
                        resolver ? std::move(resolver) : PACHostResolver(&resolveWithSystem)};
  std::optional<std::string> answer = evaluateInHeap(context, Evaluation{script, url, std::nullopt});
  if (stop) *stop = answer ? PACScriptStop::None : context.heap.stoppedBy();
  return answer;
}

bool evaluatePACScriptInBackground(std::string script, URL url, PACScriptLimits limits, PACAnswerHandler done) {
  try {
    std::thread([script = std::move(script), url = std::move(url), limits, done = std::move(done)] {
      done(evaluatePACScript(script, url, limits));
    }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace td
