#include "ProbeOptions.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace td::probe {
namespace {

template <class T>
bool number(const std::string& text, T low, T high, T& out) {
  T v{};
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc{} || p != text.data() + text.size() || !(v >= low && v <= high)) return false;
  out = v;
  return true;
}

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> out;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, sep)) out.push_back(part);
  if (!text.empty() && text.back() == sep) out.emplace_back();
  return out;
}

}  // namespace

const char* ProbeOptions::usage() {
  return "usage: tarnwickdesk-probe --host H --port P --user U --password W [--ticks N] [--timeout S]\n"
         "       [--account ID] [--order SIDE:CODE:QTY[:TYPE[:PRICE]] [--brackets proposed] | --chat TEXT]\n";
}

std::optional<OrderSpec> ProbeOptions::parseOrder(const std::string& text) {
  std::vector<std::string> parts = split(text, ':');
  if (parts.size() < 3 || parts.size() > 5) return std::nullopt;
  OrderSpec o;
  if (parts[0] == "buy") {
    o.buy = true;
  } else if (parts[0] == "sell") {
    o.buy = false;
  } else {
    return std::nullopt;
  }
  o.code = parts[1];
  if (o.code.empty() || !number(parts[2], 0.0, 1e12, o.quantity) || !(o.quantity > 0)) return std::nullopt;
  if (parts.size() >= 4) {
    if (parts[3] == "market") {
      o.orderType = 1;
    } else if (parts[3] == "limit") {
      o.orderType = 2;
    } else if (parts[3] == "stop") {
      o.orderType = 3;
    } else {
      return std::nullopt;
    }
  }
  if (parts.size() == 5 && (!number(parts[4], 0.0, 1e15, o.price) || !(o.price > 0))) return std::nullopt;
  if (o.orderType != 1 && parts.size() != 5) return std::nullopt;
  return o;
}

std::optional<ProbeOptions> ProbeOptions::parse(const std::vector<std::string>& args, std::string& error) {
  ProbeOptions o;
  bool host = false, port = false, user = false, password = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) {
      error = "option " + a + " needs a value";
      return std::nullopt;
    }
    const std::string& v = args[++i];
    bool ok = true;
    if (a == "--host") {
      o.host = v;
      ok = host = !v.empty();
    } else if (a == "--port") {
      ok = port = number(v, 1, 65535, o.port);
    } else if (a == "--user") {
      o.user = v;
      user = true;
    } else if (a == "--password") {
      o.password = v;
      password = true;
    } else if (a == "--ticks") {
      ok = number(v, 0, 1000000, o.ticks);
    } else if (a == "--timeout") {
      ok = number(v, 0.001, 86400.0, o.timeoutSeconds);
    } else if (a == "--account") {
      int id = 0;
      ok = number(v, 1, 2147483647, id);
      o.account = id;
    } else if (a == "--order") {
      o.order = parseOrder(v);
      ok = o.order.has_value();
    } else if (a == "--brackets") {
      ok = o.proposedBrackets = v == "proposed";
    } else if (a == "--chat") {
      o.chat = v;
      ok = !v.empty();
    } else {
      error = "unknown option " + a;
      return std::nullopt;
    }
    if (!ok) {
      error = "bad value for " + a + ": " + v;
      return std::nullopt;
    }
  }
  if (!host || !port || !user || !password) {
    error = "--host, --port, --user and --password are required";
    return std::nullopt;
  }
  if (o.order && o.chat) {
    error = "--order and --chat cannot be given together";
    return std::nullopt;
  }
  if (o.proposedBrackets && !o.order) {
    error = "--brackets needs an --order";
    return std::nullopt;
  }
  return o;
}

}  // namespace td::probe
