#pragma once
// Trading state for the benchmarks: a login data set of items, groups and accounts, and open
// positions over them.

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/ReferenceData.h"
#include "session/trading/OrderBook.h"

namespace td::bench {

// A login data set in the AMP form: `items` items (codes I0...), `accounts` accounts (100...) spread
// over four groups.
inline std::unique_ptr<ReferenceData> makeReference(int items, int accounts) {
  std::vector<std::string> sections(17);
  for (int i = 0; i < items; ++i) {
    sections[4] += std::to_string(i + 1) + "\x05" "Item " + std::to_string(i) + "\x05" "I" + std::to_string(i) +
                   "\x06";
  }
  for (int g = 1; g <= 4; ++g) sections[5] += std::to_string(g) + "\x05" "G" + std::to_string(g) + "\x06";
  for (int a = 0; a < accounts; ++a) {
    sections[8] += std::to_string(100 + a) + "\x05" + std::to_string(1 + a % 4) + "\x06";
  }
  std::string text;
  for (std::size_t i = 0; i < sections.size(); ++i) text += (i ? "\x07" : "") + sections[i];
  auto reference = std::make_unique<ReferenceData>();
  reference->FillAmpDetails(text);
  int n = 0;
  for (const auto& [code, item] : reference->ItemCollection()) {
    item->PLCalcModeId = 1 + n % 4;
    item->ContractSize = 100;
    item->DecimalPlaces = 4;
    item->Point = 0.0001;
    item->Bid = 1.1 + n * 0.01;
    item->Ask = item->Bid + 0.0002;
    ++n;
  }
  for (const auto& [key, group] : reference->GroupDetailCollection()) {
    group->LeverageOnFProfit = 80;
    group->RevLeverageOnFLoss = 100;
  }
  for (const auto& [key, account] : reference->AccountDetailCollection()) {
    account->tradingStatus = 1;
    account->accountaccessType = 1;
    account->Balance = 10000;
  }
  return reference;
}

// `count` open positions over the accounts 100 to 100 + accounts - 1, those of one account in runs
// of 25, on the items I0 to I49.
inline OrderList openPositions(const ReferenceData& reference, int count, int accounts = 20) {
  (void)reference;
  OrderList open;
  std::mt19937 rng(11);
  for (int i = 0; i < count; ++i) {
    auto o = std::make_shared<Order>();
    o->OpenPositionId = std::to_string(i);
    o->AccountNumber = std::to_string(100 + (i / 25) % accounts);
    o->ItemCode = "I" + std::to_string(rng() % 50);
    o->tradingMode = static_cast<std::int32_t>(rng() % 2);
    o->RemainingQty = std::to_string(1 + rng() % 5);
    o->OrderPrice = "1.2";
    open.push_back(o);
  }
  return open;
}

}  // namespace td::bench
