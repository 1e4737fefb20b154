// The chat's hot paths: reading one 4 KB chat line of RTF into plain text, and 10,000 incoming chat
// lines through the session's dispatcher into their room (RTF reading, the transcript, the
// notifications and banner checks, the main queue run after them).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "../tests/session/NullSessionTransport.h"
#include "chat/RKReader.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "platform/ManualMainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/BusinessBase.h"
#include "wire/Formatter.h"
#include "wire/MessageBase.h"

namespace td {
namespace {

// About 4 KB of a dealer's answer as the client's writer wraps it: prices, braces, backslashes and
// Chinese text.
std::string fourKilobyteLine() {
  std::string text;
  while (text.size() < 4000) {
    text += "EURUSD 1.08452/1.08460 {firm} for 5 lots \\ GBPUSD 1.2681 \xe4\xb8\xad\xe6\x96\x87\xe6\x8a\xa5\xe4\xbb\xb7 ";
  }
  return Formatter::ConvertStringtoRTF(text);
}

void BM_RtfRead4KLine(benchmark::State& state) {
  const std::string rtf = fourKilobyteLine();
  for (auto _ : state) benchmark::DoNotOptimize(RKReader::ConvertRTFtoString(rtf));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
}
BENCHMARK(BM_RtfRead4KLine);

std::string frame(const std::vector<std::pair<int, std::string>>& fields) {
  std::string body;
  for (const auto& [tag, value] : fields) body += std::to_string(tag) + "=" + value + "\x03";
  return std::to_string(MessageBase::utf16Length(body)) + "\x03" + body;
}

void BM_IncomingChatLines(benchmark::State& state) {
  log::setLevel(log::Level::Off);
  const int lines = static_cast<int>(state.range(0));
  std::vector<std::string> frames;
  for (int i = 0; i < lines; ++i) {
    frames.push_back(frame({{10, "603"}, {501, "55"}, {502, "room-55"}, {504, i % 2 ? "bench" : "dealer"},
                            {517, "Dealing Desk"}, {506, std::to_string(i)}, {21, "20240301090507"},
                            {17, Formatter::ConvertStringtoRTF("Line " + std::to_string(i) + ": EURUSD 1.0845 firm")}}));
  }
  const std::string room = frame({{10, "601"}, {501, "55"}, {502, "room-55"}, {503, "bench;dealer"}, {504, "dealer"}});
  for (auto _ : state) {
    state.PauseTiming();
    ManualMainQueue queue;
    LoginInputdata logindata{ServerPresets::shipped()};
    logindata.setUserName("bench");
    BusinessBase::Environment env;
    env.logindata = &logindata;
    env.mainQueue = &queue;
    env.notifications = std::make_shared<NotificationCenter>(&queue);
    BusinessBase::Options options;
    options.transportFactory = [](ConnectionEvents&) { return std::make_unique<testing::NullSessionTransport>(); };
    auto session = BusinessBase::create(env, options);
    session->NewMessage(room);
    queue.runPending();
    state.ResumeTiming();
    for (const std::string& f : frames) session->NewMessage(f);
    queue.runPending();
    benchmark::DoNotOptimize(session->chat().model().room("dealer")->messages.size());
    state.PauseTiming();
    session.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * lines);
  log::setLevel(log::Level::Info);
}
BENCHMARK(BM_IncomingChatLines)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace td
