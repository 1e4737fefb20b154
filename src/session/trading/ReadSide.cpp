#include "session/trading/ReadSide.h"

#include <algorithm>
#include <unordered_set>

namespace td {

bool ReadSide::isVisibleAccount(const AccountDetails& account) {
  return account.tradingStatus != 3 && account.tradingStatus != 6 && account.accountaccessType != 4 &&
         account.accountaccessType != 10;
}

bool ReadSide::isVisibleOrder(const Order& order, const ReferenceData& reference) {
  const auto account = reference.account(order.AccountNumber);
  return !account || isVisibleAccount(*account);
}

OrderList ReadSide::visibleOrders(const OrderList& orders, const ReferenceData& reference) {
  OrderList out;
  out.reserve(orders.size());
  // Positions of one account usually come in runs: one look-up per run.
  const std::string* lastKey = nullptr;
  bool lastVisible = true;
  for (const OrderPtr& order : orders) {
    if (!order) continue;
    if (!lastKey || *lastKey != order->AccountNumber) {
      lastKey = &order->AccountNumber;
      lastVisible = isVisibleOrder(*order, reference);
    }
    if (lastVisible) out.push_back(order);
  }
  return out;
}

std::vector<std::shared_ptr<AccountDetails>> ReadSide::getAccountCollection() const {
  std::vector<std::shared_ptr<AccountDetails>> out;
  for (const auto& [key, account] : reference_.AccountDetailCollection()) {
    if (account && isVisibleAccount(*account)) out.push_back(account);
  }
  return out;
}

std::vector<std::string> ReadSide::getAllItems() const {
  std::vector<std::string> out;
  std::unordered_set<std::string> seen;
  auto add = [&](const std::string& code) {
    if (seen.insert(code).second) out.push_back(code);
  };
  for (const std::string& code : selectedSymbols_) add(code);
  for (const OrderPtr& order : getOpenOrderCollection()) add(order->ItemCode);
  for (const OrderPtr& order : getPendingOrderCollection()) add(order->ItemCode);
  return out;
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

int ReadSide::compareIds(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      std::size_t si = i, sj = j;
      while (si + 1 < ei && a[si] == '0') ++si;
      while (sj + 1 < ej && b[sj] == '0') ++sj;
      const std::size_t li = ei - si, lj = ej - sj;
      if (li != lj) return li < lj ? -1 : 1;
      const int c = a.substr(si, li).compare(b.substr(sj, lj));
      if (c != 0) return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    const unsigned char ca = static_cast<unsigned char>(lower(a[i]));
    const unsigned char cb = static_cast<unsigned char>(lower(b[j]));
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool ReadSide::roomKeyLess(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char x = lower(a[i]);
    const char y = lower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

OrderList ReadSide::getExecutedOrderCollection() const {
  OrderList out;
  if (book_.isExecutedPositionSearch) {
    for (const OrderPtr& order : book_.ExecutedOrderSearchCollection) {
      if (order) out.push_back(order);
    }
  } else {
    out = getOpenOrderCollection();
    const OrderList closed = getOpenOrderCollectionCopy();
    out.insert(out.end(), closed.begin(), closed.end());
  }
  std::stable_sort(out.begin(), out.end(), [](const OrderPtr& x, const OrderPtr& y) {
    return compareIds(x->OpenPositionId, y->OpenPositionId) < 0;
  });
  return out;
}

}  // namespace td
