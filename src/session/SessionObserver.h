#pragma once
// Session events for diagnosis: the probe prints them as lines, tests count them. Every call comes on
// the main thread, synchronously from the session's own handling, so an observer must be quick and
// must not call back into the session's intake.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace td {

struct AccountDetails;
struct ItemDetails;

class SessionObserver {
 public:
  virtual ~SessionObserver() = default;
  // The TCP session stands (before the login request goes out).
  virtual void sessionConnected() {}
  // The login data set was loaded (message type 33) and the session key replaced.
  virtual void sessionLoginDataLoaded(std::size_t items, std::size_t accounts, std::size_t groups) {
    (void)items, (void)accounts, (void)groups;
  }
  // The login was accepted (message type 18): channels open, items subscribed.
  virtual void sessionOpened(const std::vector<std::string>& subscribedItems) { (void)subscribedItems; }
  // A price line was applied to its item.
  virtual void sessionTick(const ItemDetails& item) { (void)item; }
  // A depth line replaced the depth of an item.
  virtual void sessionDepth(const std::string& code, const std::vector<std::string>& buy,
                            const std::vector<std::string>& sell) {
    (void)code, (void)buy, (void)sell;
  }
  // The network speed was rated (0 fastest to 3 slowest or lost) from `seconds` (NaN when there was
  // no date to measure from); serverTime "yyyyMMddHHmmss" or "" before any server time is known.
  virtual void sessionPing(std::int32_t networkspeedStatus, double seconds, const std::string& serverTime) {
    (void)networkspeedStatus, (void)seconds, (void)serverTime;
  }
  // An account summary (message type 1045) was applied to its account.
  virtual void sessionAccountSummary(const AccountDetails& account) { (void)account; }
  // A data-set reply was handled: its context and the rows taken (a statement counts the rows of
  // its tables, once it has been read and applied).
  virtual void sessionDataSet(const std::string& context, std::size_t rows) { (void)context, (void)rows; }
  // The four initial data sets have all been answered: the sizes of the open-position, working-order,
  // settled and cancelled collections. Once per session.
  virtual void sessionCollections(std::size_t open, std::size_t pending, std::size_t settled, std::size_t cancelled) {
    (void)open, (void)pending, (void)settled, (void)cancelled;
  }
  // The session ended: "refused <code>", "logged in elsewhere", "disconnected" (asked for), or
  // "connection lost: <error>" (the failure path; "connection lost: relogin requested" after the
  // server's relogin request).
  virtual void sessionEnded(const std::string& reason) { (void)reason; }
};

}  // namespace td
