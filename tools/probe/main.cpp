// tarnwickdesk-probe: a headless client made of the client's layers, for the integration tests
// and for diagnosing a server. See ProbeOptions.h for the command line and ProbeRunner.h for the
// event lines it prints.

#include <csignal>
#include <cstdio>

#include "ProbeOptions.h"
#include "ProbeRunner.h"
#include "platform/Log.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto options = td::probe::ProbeOptions::parse(args, error);
  if (!options) {
    std::fprintf(stderr, "%s\n%s", error.c_str(), td::probe::ProbeOptions::usage());
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  // The event lines go to stdout; the layers' own log lines only when something is wrong.
  td::log::setLevel(td::log::Level::Warning);
  td::probe::ProbeRunner runner(*options, stdout);
  return runner.run();
}
