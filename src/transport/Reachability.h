#pragma once
// Watches whether the machine has a network route to a target and says when that changes.
//
// The flags are read from the kernel's routing tables and links (netlink): a target is reachable
// when the kernel has a route to it over a link that is up and running. For the internet target
// (0.0.0.0) that means a default route, IPv4 or IPv6. The flag word keeps the bit values that the
// rest of the client expects (2 reachable, 4 connection required, 0x10000 local address,
// 0x20000 direct).
//
// While notifying, a netlink socket subscribed to link, address and route changes is watched on the
// monitor's own serial queue; every change whose flags differ from the last ones runs the reachable
// or unreachable block on that queue and then posts kReachabilityChangedNotification (object: the
// monitor, as std::shared_ptr<Reachability>) on the main thread. A notifying monitor keeps itself
// alive until stopNotifier().

#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace td {

class DispatchQueue;
class FdSource;

inline constexpr const char* kReachabilityChangedNotification = "kReachabilityChangedNotification";

class Reachability : public std::enable_shared_from_this<Reachability> {
 public:
  using Flags = std::uint32_t;
  static constexpr Flags kTransientConnection = 1;
  static constexpr Flags kReachable = 2;
  static constexpr Flags kConnectionRequired = 4;
  static constexpr Flags kConnectionOnTraffic = 8;
  static constexpr Flags kInterventionRequired = 16;
  static constexpr Flags kConnectionOnDemand = 32;
  static constexpr Flags kIsLocalAddress = 0x10000;
  static constexpr Flags kIsDirect = 0x20000;

  enum NetworkStatus { NotReachable = 0, ReachableViaWWAN = 1, ReachableViaWiFi = 2 };

  // Reads the current flags; nullopt when they cannot be read. Tests inject their own.
  using FlagsReader = std::function<std::optional<Flags>()>;
  using Block = std::function<void(Reachability&)>;

  static std::shared_ptr<Reachability> reachabilityForInternetConnection();
  static std::shared_ptr<Reachability> reachabilityForLocalWiFi();
  // nullptr for an address family other than IPv4 or IPv6.
  static std::shared_ptr<Reachability> reachabilityWithAddress(const sockaddr* address);
  // The name is looked up each time the flags are read (a blocking lookup).
  static std::shared_ptr<Reachability> reachabilityWithHostname(const std::string& hostname);
  static std::shared_ptr<Reachability> reachabilityWithHostName(const std::string& hostname) {
    return reachabilityWithHostname(hostname);
  }
  // A monitor over any flag source (tests, diagnostics). `changeFd`, when >= 0, is a descriptor that
  // becomes readable when the flags may have changed; the monitor drains it and reads the flags anew.
  static std::shared_ptr<Reachability> withReader(FlagsReader reader, int changeFd = -1);

  ~Reachability();
  Reachability(const Reachability&) = delete;
  Reachability& operator=(const Reachability&) = delete;

  bool startNotifier();
  void stopNotifier();

  static bool isReachableWithFlags(Flags flags);
  bool isReachable() const;
  bool isReachableViaWWAN() const { return false; }
  bool isReachableViaWiFi() const;
  bool connectionRequired() const;
  bool isConnectionRequired() const { return connectionRequired(); }
  bool isConnectionOnDemand() const;
  bool isInterventionRequired() const;
  NetworkStatus currentReachabilityStatus() const;
  Flags reachabilityFlags() const;
  std::string currentReachabilityString() const;
  std::string currentReachabilityFlags() const;
  static std::string flagsText(Flags flags);
  std::string description() const;

  // Runs the matching block and posts the change notification (called on the monitor's queue).
  void reachabilityChanged(Flags flags);

  void setReachableBlock(Block block);
  void setUnreachableBlock(Block block);
  bool reachableOnWWAN() const { return reachableOnWWAN_; }
  void setReachableOnWWAN(bool value) { reachableOnWWAN_ = value; }
  bool isNotifying() const;

 private:
  Reachability(FlagsReader reader, std::function<int()> openChangeSource);
  std::optional<Flags> readFlags() const { return reader_(); }
  void onChange();

  FlagsReader reader_;
  std::function<int()> openChangeSource_;  // a new descriptor to watch, -1 on failure
  bool reachableOnWWAN_ = true;

  mutable std::mutex mutex_;
  Block reachableBlock_;
  Block unreachableBlock_;
  std::unique_ptr<DispatchQueue> queue_;
  std::unique_ptr<FdSource> source_;
  std::shared_ptr<Reachability> self_;  // keeps a notifying monitor alive
  std::optional<Flags> lastFlags_;
};

}  // namespace td
