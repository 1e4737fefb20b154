#include "OrderWatch.h"

#include "session/ReceivedMessage.h"

namespace td::probe {
namespace {

// A server id as the report gives it: absent, empty and "0" mean none.
std::string idOf(const ReceivedMessage& report, int tag) {
  const auto value = report.value(tag);
  if (!value || value->empty() || *value == "0") return {};
  return std::string(*value);
}

}  // namespace

// ---- OrderTrack ----

std::optional<OrderTrack::Outcome> OrderTrack::take(const ReceivedMessage& report) {
  const std::string pending = idOf(report, 79);
  const std::string position = idOf(report, 80);
  const auto request = report.intValue(33);
  const bool ours = (requestId_ != 0 && report.value(33) && request == requestId_) ||
                    (!pendingId_.empty() && pending == pendingId_) ||
                    (!positionId_.empty() && position == positionId_);
  if (!ours) return std::nullopt;
  if (!pending.empty()) pendingId_ = pending;
  if (!position.empty()) positionId_ = position;

  const auto status = report.intValue(73);
  Outcome out;
  out.line = "ORDER " + std::to_string(report.type()) + "/" + (status ? std::to_string(*status) : std::string("-")) +
             " pending=" + (pending.empty() ? std::string("-") : pending) +
             " position=" + (position.empty() ? std::string("-") : position);
  if (report.type() == 67) {
    out.final = status == 74;
  } else if (report.type() == 62 && status) {
    // 24 cancelled, 25 rejected, 26 expired, 826 rejected by the exchange; 28 of a limit (30) or stop
    // (31) order: it works now (a market order's 28 is followed by its fill).
    const std::int32_t type = report.intValue(32).value_or(0);
    out.final = *status == 24 || *status == 25 || *status == 26 || *status == 826 ||
                (*status == 28 && (type == 30 || type == 31));
  }
  return out;
}

}  // namespace td::probe
