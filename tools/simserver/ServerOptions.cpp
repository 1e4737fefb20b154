#include "ServerOptions.h"

#include <charconv>

namespace td::sim {
namespace {

template <class T>
bool number(const std::string& text, T low, T high, T& out) {
  T v{};
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc{} || p != text.data() + text.size() || v < low || v > high) return false;
  out = v;
  return true;
}

bool fault(const std::string& text, Faults& f) {
  auto value = [&](const char* prefix, int low, int high, std::optional<int>& out) {
    std::string p(prefix);
    if (text.rfind(p, 0) != 0) return false;
    int v = 0;
    if (!number(text.substr(p.size()), low, high, v)) return false;
    out = v;
    return true;
  };
  if (text == "garbage") return f.garbage = true;
  if (text == "rep-silent") return f.repSilent = true;
  if (value("disconnect-after=", 0, 1000000, f.disconnectAfter)) return true;
  if (value("elsewhere-after=", 0, 1000000, f.elsewhereAfter)) return true;
  if (value("relogin-after=", 0, 1000000, f.reloginAfter)) return true;
  if (value("chart-reply-lost=", 1, 1000000, f.chartReplyLost)) return true;
  std::optional<int> slow;
  if (value("rep-slow=", 0, 600000, slow)) {
    f.repSlowMs = *slow;
    return true;
  }
  return false;
}

}  // namespace

const char* ServerOptions::usage() {
  return "usage: tarnwickdesk-simserver [--port P] [--pub-port P] [--rep-port P] [--news-port P]\n"
         "       [--scenario FILE] [--form amp|xml] [--tick-ms N] [--seed S] [--log FILE] [--fault F]...\n"
         "faults: disconnect-after=N, garbage, elsewhere-after=N, relogin-after=N, rep-silent, rep-slow=MS,\n"
         "        chart-reply-lost=N\n";
}

std::optional<ServerOptions> ServerOptions::parse(const std::vector<std::string>& args, std::string& error) {
  ServerOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) {
      error = a == "--help" || a == "-h" ? "" : "option " + a + " needs a value";
      return std::nullopt;
    }
    const std::string& v = args[++i];
    bool ok = true;
    if (a == "--port") {
      ok = number(v, 0, 65535, o.port);
    } else if (a == "--pub-port") {
      ok = number(v, 0, 65535, o.pubPort);
    } else if (a == "--rep-port") {
      ok = number(v, 0, 65535, o.repPort);
    } else if (a == "--news-port") {
      ok = number(v, 0, 65535, o.newsPort);
    } else if (a == "--scenario") {
      o.scenarioFile = v;
    } else if (a == "--form") {
      ok = v == "amp" || v == "xml";
      o.xmlForm = v == "xml";
    } else if (a == "--tick-ms") {
      ok = number(v, kFastestTickMs, kSlowestTickMs, o.tickMs);
    } else if (a == "--seed") {
      ok = number(v, std::uint64_t{0}, UINT64_MAX, o.seed);
    } else if (a == "--log") {
      o.logFile = v;
    } else if (a == "--fault") {
      ok = fault(v, o.faults);
    } else {
      error = "unknown option " + a;
      return std::nullopt;
    }
    if (!ok) {
      error = "bad value for " + a + ": " + v;
      return std::nullopt;
    }
  }
  return o;
}

}  // namespace td::sim
