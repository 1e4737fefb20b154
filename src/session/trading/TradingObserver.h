#pragma once
// Trading events for diagnosis: the probe prints them as lines, tests count them. Called on the main
// thread from inside the report handling, after the collections have changed (tradingReport:
// before); an observer must be quick and must not call back into the session.

#include <string>

#include "model/Order.h"

namespace td {

class ReceivedMessage;

class TradingObserver {
 public:
  virtual ~TradingObserver() = default;
  // A position was opened (an execution with a remaining quantity) or changed by a status update.
  virtual void tradingPosition(const Order& position) { (void)position; }
  // A settlement record was added.
  virtual void tradingSettled(const Order& settled) { (void)settled; }
  // A journal line was added (the whole line, time and "#$#" included).
  virtual void tradingJournal(const std::string& line) { (void)line; }
  // An execution report (62), settlement (66) or position report (67) as the session received it
  // (envelopes and compressed payloads opened), before it is handled. Called for every one, whatever
  // its status.
  virtual void tradingReport(const ReceivedMessage& report) { (void)report; }

  // The probe's lines:
  //   POSITION <OpenPositionId> <ItemCode> <buy|sell> <RemainingQty> <OrderPrice>
  //   SETTLED <SettlementId> pl=<SettledPL as %.2f>
  //   JOURNAL <the line's text after "#$#">
  static std::string positionLine(const Order& position);
  static std::string settledLine(const Order& settled);
  static std::string journalLine(const std::string& line);
};

}  // namespace td
