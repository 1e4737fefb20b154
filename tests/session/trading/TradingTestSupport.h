#pragma once
// Shared by the trading-state tests: reports written as the server frames them and cut by the
// session's field extraction, a small login data set, and a recorder of what the trading code asks
// of the session.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../../model/LoginDataSetWriter.h"
#include "model/ReferenceData.h"
#include "session/ReceivedMessage.h"
#include "session/trading/OrderBook.h"
#include "session/trading/TradingEvents.h"
#include "wire/MessageBase.h"

namespace td::testing {

using Field = std::pair<int, std::string>;

// One received report: framed with the request writer's framing, then cut into fields as the
// dispatcher does. Holds the frame text the fields point into.
class Report {
 public:
  Report(int type, const std::vector<Field>& fields) {
    std::string b = "10=" + std::to_string(type) + "\x03";
    for (const auto& [tag, value] : fields) b += std::to_string(tag) + "=" + value + "\x03";
    std::string wire;
    MessageBase::writeFrame(b, wire);
    frame_ = wire.substr(1, wire.size() - 2);  // the transport strips 0x01 and 0x02
    EXPECT_TRUE(message_.parse(frame_));
  }
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  const ReceivedMessage& message() const { return message_; }
  std::int32_t requestId() const { return message_.requestId().value_or(0); }

 private:
  std::string frame_;
  ReceivedMessage message_;
};

// Items EURUSD (id 1), GBPUSD (2), GOLD (3) of type "FX"/"Metals"; groups 7 and 8; accounts 100
// and 200 in group 7, 300 in group 8.
inline std::unique_ptr<ReferenceData> makeReference() {
  LoginDataSet set;
  set.itemTypes = {{{"InstrumentTypeId", "1"}, {"InstrumentTypeName", "FX"}},
                   {{"InstrumentTypeId", "2"}, {"InstrumentTypeName", "Metals"}}};
  auto item = [](std::string id, std::string code, std::string type) {
    return Row{{"InstrumentId", id}, {"Name", code + " name"}, {"Code", code}, {"Enabled", "1"},
               {"InstrumentTypeId", type}, {"IsAvailableForWatchList", "1"}, {"TickSize", "0.0001"},
               {"DecimalPlaces", "4"}, {"ContractSize", "100"}, {"PLCalcModeId", "1"}};
  };
  set.items = {item("1", "EURUSD", "1"), item("2", "GBPUSD", "1"), item("3", "GOLD", "2")};
  set.groups = {{{"GroupId", "7"}, {"Name", "G7"}, {"LeverageOnFProfit", "100"}, {"RevLeverageOnFLoss", "100"}},
                {{"GroupId", "8"}, {"Name", "G8"}, {"LeverageOnFProfit", "100"}, {"RevLeverageOnFLoss", "100"}}};
  set.accounts = {{{"AccountId", "100"}, {"GroupId", "7"}}, {{"AccountId", "200"}, {"GroupId", "7"}},
                  {{"AccountId", "300"}, {"GroupId", "8"}}};
  auto reference = std::make_unique<ReferenceData>();
  reference->FillAmpDetails(set.amp());
  EXPECT_EQ(reference->ItemCollection().size(), 3u);
  EXPECT_EQ(reference->AccountDetailCollection().size(), 3u);
  for (const auto& [key, account] : reference->AccountDetailCollection()) {
    account->tradingStatus = 1;
    account->previoustradingStatus = 1;
    account->accountaccessType = 1;
  }
  return reference;
}

inline OrderPtr order(std::string account, std::string code, std::string positionId = "") {
  auto o = std::make_shared<Order>();
  o->AccountNumber = std::move(account);
  o->ItemCode = std::move(code);
  o->OpenPositionId = std::move(positionId);
  return o;
}

class RecordingEvents : public TradingEvents {
 public:
  struct Settled {
    std::string itemCode, settledPrice, settlementId;
  };
  std::vector<OrderPtr> pendingNotified;
  std::vector<std::int32_t> pendingRequestIds;
  std::vector<std::string> rejections;
  std::vector<std::string> confirmations;
  std::vector<Settled> settled;
  std::vector<std::string> marginCalls;
  int passwordChanges = 0;
  std::vector<std::string> passwordRefusals;
  std::vector<std::string> demoUsers;
  int demoFailures = 0;
  std::vector<std::pair<std::vector<std::string>, bool>> subscriptions;
  std::vector<std::int32_t> equityRequests;
  std::vector<std::string> passwords;

  void PendingOrderNotification(const OrderPtr& o, std::int32_t requestId) override {
    pendingNotified.push_back(o);
    pendingRequestIds.push_back(requestId);
  }
  void OrderRejectionNotification(const std::string& reason) override { rejections.push_back(reason); }
  void TradeConfirmationNotification(const std::string& text) override { confirmations.push_back(text); }
  void ShowSettledOrderNotification(const std::string& code, const std::string& price, const std::string& id) override {
    settled.push_back({code, price, id});
  }
  void MarginCallNotification(const std::string& accountId) override { marginCalls.push_back(accountId); }
  void passwordChangeNotification() override { ++passwordChanges; }
  void passwordChangeRefusedNotification(const std::string& status) override { passwordRefusals.push_back(status); }
  void demoUserCreationNotification(const std::string& info) override { demoUsers.push_back(info); }
  void demoUserCreationFailureNotification() override { ++demoFailures; }
  void subscribeItems(const std::vector<std::string>& codes, bool subscribe) override {
    subscriptions.emplace_back(codes, subscribe);
  }
  void requestEquityPriceinfo(std::int32_t accountId) override { equityRequests.push_back(accountId); }
  void setPassword(const std::string& password) override { passwords.push_back(password); }
};

}  // namespace td::testing
