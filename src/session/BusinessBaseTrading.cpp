// The trading-state message families of the dispatcher: execution reports, settlements, position
// reports, account summaries, password and demo-user replies, hedge closes.
//
// These handlers are handled by the trading-state code, which fills their bodies with the order,
// position and account updates; until then each one writes a debug line so that every message type
// of the catalogue is recognised and accounted for.

#include "platform/Log.h"
#include "session/BusinessBase.h"

namespace td {
namespace {

void unhandled(const char* what, const ReceivedMessage& message) {
  TD_LOG_DEBUG(std::string(what) + " (type " + std::to_string(message.type()) + ") for the trading-state code");
}

}  // namespace

void BusinessBase::handleExecutionReport(const ReceivedMessage& message) { unhandled("execution report", message); }
void BusinessBase::handleSettlementReport(const ReceivedMessage& message) { unhandled("settlement report", message); }
void BusinessBase::handlePositionStatusUpdate(const ReceivedMessage& message) {
  unhandled("position status update", message);
}
void BusinessBase::handlePositionExecuted(const ReceivedMessage& message) { unhandled("position executed", message); }
void BusinessBase::handlePasswordChangeReply(const ReceivedMessage& message) {
  unhandled("password-change reply", message);
}
void BusinessBase::handleAccountSummary(const ReceivedMessage& message) { unhandled("account summary", message); }
void BusinessBase::handleDemoUserCreationReply(const ReceivedMessage& message) {
  unhandled("demo-user creation reply", message);
}
void BusinessBase::handleCloseHedgedPositions(const ReceivedMessage& message) {
  unhandled("hedged positions closed", message);
}

}  // namespace td
