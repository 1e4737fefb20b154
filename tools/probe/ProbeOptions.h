#pragma once
// The probe's command line:
//   tarnwickdesk-probe --host H --port P --user U --password W [--ticks N] [--timeout S]
//                      [--account ID] [--order SIDE:CODE:QTY[:TYPE[:PRICE]] [--brackets proposed]
//                      | --chat TEXT]
// SIDE is buy or sell; TYPE market (the default), limit or stop; a limit or stop order needs a
// price. The order is placed for --account, or for the user's lowest account id without it.
// --brackets proposed gives the order a take-profit and a stop-loss at the prices the client
// proposes for it, as the ticket fills them in when their boxes are ticked.
// --chat sends TEXT to the first online contact once the contact list has come.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace td::probe {

struct OrderSpec {
  bool buy = true;
  std::string code;
  double quantity = 0;
  int orderType = 1;  // 1 market, 2 limit, 3 stop
  double price = 0;
};

struct ProbeOptions {
  std::string host;
  int port = 0;
  std::string user;
  std::string password;
  int ticks = 10;
  double timeoutSeconds = 20;
  std::optional<int> account;
  std::optional<OrderSpec> order;
  bool proposedBrackets = false;
  std::optional<std::string> chat;

  static std::optional<ProbeOptions> parse(const std::vector<std::string>& args, std::string& error);
  static std::optional<OrderSpec> parseOrder(const std::string& text);
  static const char* usage();
};

}  // namespace td::probe
