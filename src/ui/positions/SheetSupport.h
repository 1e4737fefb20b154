#pragma once
// What the modify, close or cancel and offset sheets share: the quantity lists, the quantity
// description, the pending close quantity of a position, the observation of the order desk's
// feedback and the "Info" alert.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/NotificationCenter.h"
#include "ui/positions/PositionsSession.h"

namespace td::SheetSupport {

// A quantity or step list never holds more entries than this.
inline constexpr std::size_t kMaxListEntries = 1000;

// "%.0f" of 1, 2, 3 ... up to the whole part of `quantity`; empty below 1.
std::vector<std::string> wholeLots(double quantity);
// 0, step, 2 x step ... for every value below `total`, then `total` itself, each a normalised
// quantity; a step of 0 or less (or not a number) gives 0 and the total.
std::vector<std::string> steps(double step, double total);
// "%@ x %.2f = %.2f": the quantity text, the contract size and their product.
std::string quantityDescription(std::string_view quantityText, double contractSize);
// The sum of OrderQty over the working orders that close the position `openPositionId`.
double pendingCloseQuantity(const OrderRows& workingOrders, std::string_view openPositionId);
// The common alert titled "Info" (shown as a task of its own).
void showInfo(const std::string& message);
// The text of a strings key in the language of the run.
std::string localized(const char* key);
// The send button's text when the sheet's record is gone: "Position #<id> is no longer open" or
// "Order #<id> is no longer working".
std::string positionGone(const std::string& id);
std::string orderGone(const std::string& id);
// The position or working order `id` of `rows` for a row menu's action chosen now; none once it has
// gone, and the user is told so with the texts above.
std::shared_ptr<Order> listedPosition(const OrderRows& rows, const std::string& id);
std::shared_ptr<Order> listedWorkingOrder(const OrderRows& rows, const std::string& id);

// Observes named notifications of the application's centre while a sheet is open.
class Observation {
 public:
  Observation() = default;
  ~Observation() { stop(); }
  Observation(const Observation&) = delete;
  Observation& operator=(const Observation&) = delete;

  void observe(const std::string& name, std::function<void(const Notification&)> handler);
  void stop();
  bool active() const { return !tokens_.empty(); }

 private:
  std::shared_ptr<NotificationCenter> center_;
  std::vector<ObserverToken> tokens_;
};

// The text object of a "PlaceOrderNotification"; none when it carries no text.
std::optional<std::string> feedbackText(const Notification& notification);

}  // namespace td::SheetSupport
