// The application's start and login, offscreen: launch to the login window on screen, a login on
// loopback to the main window on screen with the simulated server's demo data set, and the resident
// memory once logged in (counter rss_mb).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <fstream>
#include <string>

#include "../tests/integration/ProcessHelpers.h"
#include "../tests/ui/ScratchSettings.h"
#include "app/Application.h"
#include "ui/shell/SecretStore.h"

namespace {

class NoSecrets final : public td::SecretStore {
 public:
  void readPassword(const std::string&, ReadDone done) override { done(Status::NotFound, ""); }
  void writePassword(const std::string&, const std::string&, WriteDone done) override { done(Status::Ok); }
  void removePassword(const std::string&) override {}
};

QApplication& app() {
  static int argc = 1;
  static char name[] = "bench_app";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return new QApplication(argc, argv);
  }();
  return *instance;
}

template <class Done>
bool pumpUntil(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

double residentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

td::Application::Options options(td::test::ScratchSettings& settings) {
  td::Application::Options o;
  o.defaults = settings.shared();
  o.secrets = std::make_shared<NoSecrets>();
  o.watchNetwork = false;
  return o;
}

void BM_LaunchToLoginWindow(benchmark::State& state) {
  app();
  td::test::ScratchSettings settings;
  for (auto _ : state) {
    td::Application application(options(settings));
    application.start();
    if (!pumpUntil([&] { return application.loginWindow()->isVisible(); })) state.SkipWithError("no login window");
  }
}
BENCHMARK(BM_LaunchToLoginWindow)->Unit(benchmark::kMillisecond);

void BM_LoginToMainWindow(benchmark::State& state) {
  app();
  td::testing::ServerProcess server({});
  if (!server.listening()) {
    state.SkipWithError("the simulated server did not start");
    return;
  }
  td::test::ScratchSettings settings;
  const auto servers = settings.folder() / "servers.conf";
  std::ofstream(servers) << "live.host=127.0.0.1\nlive.port=" << server.tcp << "\n";
  setenv("TARNWICKDESK_SERVERS", servers.c_str(), 1);
  double rss = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto application = std::make_unique<td::Application>(options(settings));
    application->start();
    application->loginController().setUserName("demo");
    application->loginController().setPassword("demo");
    state.ResumeTiming();
    application->loginController().loginButtonClicked();
    if (!pumpUntil([&] { return application->mainWindow() && application->mainWindow()->isVisible(); }))
      state.SkipWithError("no main window");
    state.PauseTiming();
    rss = std::max(rss, residentMegabytes());
    application.reset();
    state.ResumeTiming();
  }
  state.counters["rss_mb"] = rss;
  unsetenv("TARNWICKDESK_SERVERS");
}
BENCHMARK(BM_LoginToMainWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
