#include "ui/positions/SheetSupport.h"

#include <cmath>

#include "platform/AppContext.h"
#include "platform/Decimal.h"
#include "platform/LanguageString.h"
#include "session/trading/OrderBook.h"
#include "ui/positions/PositionTexts.h"
#include "wire/Formatter.h"

namespace td::SheetSupport {

std::vector<std::string> wholeLots(double quantity) {
  std::vector<std::string> lots;
  if (!(quantity >= 1)) return lots;
  const double last = std::min(std::trunc(quantity), static_cast<double>(kMaxListEntries));
  lots.reserve(static_cast<std::size_t>(last));
  for (int lot = 1; lot <= static_cast<int>(last); ++lot) lots.push_back(std::to_string(lot));
  return lots;
}

std::vector<std::string> steps(double step, double total) {
  std::vector<std::string> out;
  out.push_back("0");
  const std::string last = PositionTexts::quantity(total);
  const Decimal lastValue = Decimal::parse(last);
  if (step > 0 && std::isfinite(step)) {
    // Each entry is written as the sheets write every quantity they compute, so that the entries
    // compare with the total as the user reads them.
    for (std::size_t k = 1; out.size() < kMaxListEntries; ++k) {
      std::string entry = PositionTexts::quantity(static_cast<double>(k) * step);
      if (!(Decimal::parse(entry) < lastValue)) break;
      out.push_back(std::move(entry));
    }
  }
  if (Decimal::parse(out.back()) < lastValue) {
    if (out.size() >= kMaxListEntries) out.pop_back();
    out.push_back(last);
  }
  return out;
}

std::string quantityDescription(std::string_view quantityText, double contractSize) {
  const double quantity = PositionTexts::value(quantityText);
  return std::string(quantityText) + " x " + Formatter::formatDecimal(contractSize, 2) + " = " +
         Formatter::formatDecimal(quantity * contractSize, 2);
}

double pendingCloseQuantity(const OrderRows& workingOrders, std::string_view openPositionId) {
  double sum = 0;
  for (const auto& order : workingOrders) {
    if (order && sameId(order->LiqudateOrderNumber, openPositionId)) sum += PositionTexts::value(order->OrderQty);
  }
  return sum;
}

void showInfo(const std::string& message) { AppContext::current()->userAlerts()->showAlert("Info", message); }

std::string localized(const char* key) {
  return LanguageString::stringforSelectedLanguage(AppContext::current()->selectedLanguage(), key);
}

namespace {
std::string withId(const char* key, const std::string& id) {
  std::string text = localized(key);
  if (const auto at = text.find("%@"); at != std::string::npos) text.replace(at, 2, id);
  return text;
}
}  // namespace

std::string positionGone(const std::string& id) { return withId("8413", id); }
std::string orderGone(const std::string& id) { return withId("8414", id); }

std::shared_ptr<Order> listedPosition(const OrderRows& rows, const std::string& id) {
  auto found = PositionsSession::find(rows, &Order::OpenPositionId, id);
  if (!found) showInfo(positionGone(id));
  return found;
}

std::shared_ptr<Order> listedWorkingOrder(const OrderRows& rows, const std::string& id) {
  auto found = PositionsSession::find(rows, &Order::PendingOrderId, id);
  if (!found) showInfo(orderGone(id));
  return found;
}

void Observation::observe(const std::string& name, std::function<void(const Notification&)> handler) {
  if (!center_) center_ = AppContext::current()->notificationCenter();
  tokens_.push_back(center_->addObserver(name, std::move(handler)));
}

void Observation::stop() {
  if (center_) {
    for (const ObserverToken token : tokens_) center_->removeObserver(token);
  }
  tokens_.clear();
  center_.reset();
}

std::optional<std::string> feedbackText(const Notification& notification) {
  if (const auto* text = notification.objectAs<std::string>()) return *text;
  if (const auto* chars = notification.objectAs<const char*>()) {
    if (*chars) return std::string(*chars);
  }
  return std::nullopt;
}

}  // namespace td::SheetSupport
