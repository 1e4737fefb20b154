#pragma once
// The simulated server's command line.
//
//   --port P          TCP session port (default 8310; 0 picks a free port)
//   --pub-port P      feed (PUB) port (default 0: a free port)
//   --rep-port P      request-channel (REP) port (default 0: a free port)
//   --news-port P     news service (HTTP) port (default 0: a free port)
//   --scenario FILE   JSON scenario (default: the built-in one)
//   --form amp|xml    form of the login data set (default amp)
//   --tick-ms N       feed interval in milliseconds (default 500, 5..60000)
//   --seed S          seed of the feed and the history (default 1)
//   --log FILE        one decoded line per message in and out, passwords masked
//   --fault F         repeatable: disconnect-after=N, garbage, elsewhere-after=N, relogin-after=N,
//                     rep-silent, rep-slow=MS
// Every socket listens on 127.0.0.1 only.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace td::sim {

struct Faults {
  std::optional<int> disconnectAfter;  // close the TCP session after N messages sent
  bool garbage = false;                // garbage among the good frames once the session opens
  std::optional<int> elsewhereAfter;   // type 44 after N messages sent
  std::optional<int> reloginAfter;     // type 1028 after N messages sent
  bool repSilent = false;              // never answer the request channel
  int repSlowMs = 0;                   // answer the request channel this late
  std::optional<int> chartReplyLost;   // answer the Nth chart request after the client gave up on it
};

struct ServerOptions {
  int port = 8310;
  int pubPort = 0;
  int repPort = 0;
  int newsPort = 0;
  std::string scenarioFile;
  bool xmlForm = false;
  int tickMs = 500;  // kFastestTickMs to kSlowestTickMs
  std::uint64_t seed = 1;
  std::string logFile;
  Faults faults;

  static constexpr int kFastestTickMs = 5, kSlowestTickMs = 60000;

  // Nothing, with `error` set, for an unknown option, a missing or bad value.
  static std::optional<ServerOptions> parse(const std::vector<std::string>& args, std::string& error);
  static const char* usage();
};

}  // namespace td::sim
