#include "OrderWatch.h"

#include <vector>

#include "platform/LoginInputdata.h"
#include "session/ReceivedMessage.h"
#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/SessionKey.h"

namespace td::probe {
namespace {

// A server id as the report gives it: absent, empty and "0" mean none.
std::string idOf(const ReceivedMessage& report, int tag) {
  const auto value = report.value(tag);
  if (!value || value->empty() || *value == "0") return {};
  return std::string(*value);
}

bool isReport(std::int32_t type) { return type == 62 || type == 66 || type == 67; }

}  // namespace

// ---- ReportTap ----

ReportTap::ReportTap(const LoginInputdata& logindata, ReportHandler onReport, AfterHandler afterReports)
    : logindata_(logindata), onReport_(std::move(onReport)), afterReports_(std::move(afterReports)) {}

SessionTransportFactory ReportTap::wrap(SessionTransportFactory inner) {
  return [this, inner = std::move(inner)](ConnectionEvents& session) {
    session_ = &session;
    return inner(*this);
  };
}

std::size_t ReportTap::inspect(std::string_view frame) {
  std::size_t reports = 0;
  inspectAt(frame, 0, reports);
  return reports;
}

void ReportTap::inspectAt(std::string_view frame, int depth, std::size_t& reports) {
  ReceivedMessage message;
  if (!message.parse(frame)) return;
  const std::int32_t type = message.type();
  if (isReport(type)) {
    ++reports;
    if (onReport_) onReport_(message);
  } else if (type == 76) {
    const auto payload = message.value(27);
    if (!payload) return;
    const auto bytes = Base64::decodeBase64WithString(*payload);
    if (!bytes) return;
    const auto plain = Crypto::transformData(*bytes, Crypto::kAlgorithmAES, Crypto::kDecrypt, logindata_.SecurityKey());
    if (plain) inspectText(*plain, depth + 1, reports);
  } else if (type == 105) {
    const auto payload = message.value(1050);
    if (!payload) return;
    if (const auto text = decompressData(*payload)) inspectText(*text, depth + 1, reports);
  }
}

void ReportTap::inspectText(std::string_view text, int depth, std::size_t& reports) {
  if (depth > kMaxDepth) return;
  std::vector<std::string> frames;
  FrameReassembler cutter([&frames](std::string_view frame) { frames.emplace_back(frame); });
  cutter.feed(text);
  for (const std::string& frame : frames) inspectAt(frame, depth, reports);
}

void ReportTap::connectionDidConnect(bool demoRegistration) {
  if (session_) session_->connectionDidConnect(demoRegistration);
}

void ReportTap::connectionDidReceiveFrame(std::string frame, FrameChannel channel) {
  // Opened before the session sees the frame: a login-data reply changes the pass phrase for the
  // frames after it, not for itself.
  const std::size_t reports = inspect(frame);
  if (session_) session_->connectionDidReceiveFrame(std::move(frame), channel);
  if (reports > 0 && afterReports_) afterReports_();
}

void ReportTap::connectionDidReceiveSubscriptionUpdate(std::string update) {
  if (session_) session_->connectionDidReceiveSubscriptionUpdate(std::move(update));
}

void ReportTap::connectionDidFail(const std::optional<GCDAsyncSocketError>& error) {
  if (session_) session_->connectionDidFail(error);
}

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
    // 24 cancelled, 25 rejected, 26 expired, 826 rejected by the exchange.
    out.final = *status == 24 || *status == 25 || *status == 26 || *status == 826;
  }
  return out;
}

}  // namespace td::probe
