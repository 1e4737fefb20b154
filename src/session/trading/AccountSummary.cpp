#include "session/trading/AccountSummary.h"

#include <optional>

#include "model/Conversions.h"
#include "platform/Log.h"

namespace td {

std::int32_t AccountSummary::tradingStatusForServerCode(std::int32_t serverCode) {
  switch (static_cast<std::int64_t>(serverCode) - 814) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 3;
    case 3: return 4;
    case 5: return 6;
    case 11: return 5;
    default: return 0;
  }
}

void AccountSummary::UpdateAccountDetails(const ReceivedMessage& report, std::string_view accountKey,
                                          const ReferenceData& reference, TradingEvents& events,
                                          const AllItems& allItems) {
  const auto account = reference.account(accountKey);
  if (!account) {
    TD_LOG_INFO("AccountSummary for unknown account " + std::string(accountKey) + " ignored");
    return;
  }
  AccountDetails& a = *account;
  // In report order: a status change reads the account id read before it.
  for (const ReceivedMessage::Field& f : report.fields()) {
    const auto value = f.value();
    if (!value) continue;
    const std::string_view v = *value;
    switch (f.tag()) {
      case 34: a.AccountId = conv::toInt(v); break;
      case 84: a.UsedMargin = conv::toDouble(v); break;
      case 85: a.AvailableMargin = conv::toDouble(v); break;
      case 130: a.Equity = conv::toDouble(v); break;
      case 132: a.LeverageOnPositions = conv::toDouble(v); break;
      case 141: a.AccumulatingStorage = conv::toDouble(v); break;
      case 144: a.CollateralSecurity = conv::toDouble(v); break;
      case 560: a.Balance = conv::toDouble(v); break;
      case 24: {
        a.tradingStatus = tradingStatusForServerCode(conv::toInt(v));
        if (a.tradingStatus == a.previoustradingStatus) break;
        a.previoustradingStatus = a.tradingStatus;
        switch (a.tradingStatus) {
          case 1:
          case 2:
          case 4:
            if (allItems) events.subscribeItems(allItems(), true);
            break;
          case 3:
          case 6:
            if (reference.AccountDetailCollection().size() == 1 && allItems) events.subscribeItems(allItems(), false);
            break;
          case 5: events.requestEquityPriceinfo(a.AccountId); break;
          default: break;
        }
        break;
      }
      case 129: {
        a.MarginStatus = conv::toInt(v);
        a.accountMarginStatus = a.MarginStatus;
        if (a.accountMarginStatus == a.previousaccountMarginStatus) break;
        a.previousaccountMarginStatus = a.accountMarginStatus;
        if (a.accountMarginStatus == 2) events.MarginCallNotification(std::to_string(a.AccountId));
        break;
      }
      default: break;
    }
  }
}

namespace {

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

void AccountSummary::UpdateUserInfo(const ReceivedMessage& report, TradingEvents& events) {
  const std::optional<std::string_view> result = report.value(17);
  const std::optional<std::string_view> password = report.value(103);
  if (!result || lowerAscii(*result) != "success") {
    TD_LOG_INFO("PasswordChangeResponseMessage: the password was not changed");
    events.passwordChangeRefusedNotification(result ? std::string(*result) : std::string());
    return;
  }
  if (password) events.setPassword(std::string(*password));
  events.passwordChangeNotification();
}

void AccountSummary::DemoUserCreationResponse(const ReceivedMessage& report, TradingEvents& events) {
  const std::optional<std::string_view> user = report.value(23);
  const std::optional<std::string_view> password = report.value(18);
  if (user && password) {
    events.demoUserCreationNotification(std::string(*user) + "/" + std::string(*password));
  } else {
    events.demoUserCreationFailureNotification();
  }
}

}  // namespace td
