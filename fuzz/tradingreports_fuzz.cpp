// The trading state fed arbitrary report sequences: each input line is one message, its first byte
// choosing the type (62, 67, 66, 1045, 38 or 1027) and the rest its fields separated by ';'. The
// handlers must never crash, and the live positions stay one per position id.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "../tests/session/trading/NullTradingEvents.h"
#include "model/ReferenceData.h"
#include "platform/Log.h"
#include "session/ReceivedMessage.h"
#include "session/trading/AccountSummary.h"
#include "session/trading/ExecutionReports.h"
#include "session/trading/ProfitAndLoss.h"
#include "session/trading/ReadSide.h"

namespace {

// Two items, one group, two accounts; made anew for each input, so runs do not share state.
std::unique_ptr<td::ReferenceData> reference() {
  auto r = std::make_unique<td::ReferenceData>();
  r->FillAmpDetails(std::string("\x07\x07\x07\x07"
                                "1\x05" "Euro\x05" "EURUSD\x06" "2\x05" "Gold\x05" "GOLD\x06"
                                "\x07" "7\x05" "G7\x06\x07\x07\x07" "100\x05" "7\x06" "200\x05" "7\x06"));
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    td::log::setLevel(td::log::Level::Off);
    return true;
  }();
  (void)quiet;
  static const int kTypes[] = {62, 67, 66, 1045, 38, 1027};
  td::OwnedOrderBook owned;
  td::testing::NullTradingEvents events;
  const std::unique_ptr<td::ReferenceData> records = reference();
  td::ReferenceData& ref = *records;
  td::ExecutionReports reports(owned.book(), ref, events);
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::int32_t requestId = 0;
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    std::string_view line = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    if (line.empty()) continue;
    const int type = kTypes[static_cast<unsigned char>(line[0]) % 6];
    std::string frame = "0\x03" "10=" + std::to_string(type);
    for (const char c : line.substr(1)) frame += c == ';' ? '\x03' : c;
    if (frame.back() != '\x03') frame += '\x03';
    td::ReceivedMessage message;
    if (!message.parse(frame)) continue;
    if (message.requestId()) requestId = *message.requestId();
    const td::ReportContext context{requestId, std::string("20240102030405")};
    switch (type) {
      case 62: reports.ProcessOrderReport(message, context); break;
      case 67: reports.ProcessPositionReport(message, context); break;
      case 66: reports.FillSettledOrderCollection(message, context); break;
      case 1045: {
        const auto key = message.value(34);
        td::AccountSummary::UpdateAccountDetails(message, key.value_or(""), ref, events,
                                                 [] { return std::vector<std::string>(); });
        break;
      }
      case 38: td::AccountSummary::UpdateUserInfo(message, events); break;
      default: td::AccountSummary::DemoUserCreationResponse(message, events); break;
    }
  }
  std::set<std::string> ids;
  for (const auto& position : owned.OpenOrderCollection) {
    if (!position) std::abort();
    if (!position->OpenPositionId.empty() && !ids.insert(position->OpenPositionId).second) std::abort();
  }
  td::ProfitAndLoss::refreshFloatingFigures(ref, owned.OpenOrderCollection);
  std::vector<std::string> selected{"EURUSD"};
  (void)td::ReadSide(owned.book(), ref, selected).getExecutedOrderCollection();
  return 0;
}
