// tarnwickdesk-simserver: the simulated broker server (see ServerOptions.h for the command line).
// Prints "LISTENING tcp=P pub=P rep=P news=P" once every socket is bound, then serves until SIGINT or
// SIGTERM.

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "Scenario.h"
#include "ServerOptions.h"
#include "SimServer.h"

namespace {

td::sim::SimServer* gServer = nullptr;

extern "C" void onSignal(int) {
  if (gServer) gServer->stop();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto options = td::sim::ServerOptions::parse(args, error);
  if (!options) {
    std::fprintf(stderr, "%s%s%s", error.c_str(), error.empty() ? "" : "\n", td::sim::ServerOptions::usage());
    return error.empty() ? 0 : 2;
  }
  td::sim::Scenario scenario;
  if (options->scenarioFile.empty()) {
    scenario = td::sim::Scenario::builtIn();
  } else {
    std::ifstream in(options->scenarioFile, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
      std::fprintf(stderr, "cannot read the scenario %s\n", options->scenarioFile.c_str());
      return 2;
    }
    auto parsed = td::sim::Scenario::parse(text.str(), error);
    if (!parsed) {
      std::fprintf(stderr, "scenario %s: %s\n", options->scenarioFile.c_str(), error.c_str());
      return 2;
    }
    scenario = std::move(*parsed);
  }

  td::sim::SimServer server(std::move(scenario), *options);
  if (!server.start(error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  gServer = &server;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  std::printf("LISTENING tcp=%d pub=%d rep=%d news=%d\n", server.tcpPort(), server.pubPort(), server.repPort(),
              server.newsPort());
  std::fflush(stdout);
  server.run();
  gServer = nullptr;
  return 0;
}
