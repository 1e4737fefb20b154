#include "transport/Reachability.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/DispatchQueue.h"
#include "platform/FdSource.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

namespace td {
namespace {

using Flags = Reachability::Flags;

// One netlink conversation on a fresh socket: sends `request` and hands every reply message to
// `onMessage`. Returns 0, a negative errno that the kernel answered, or nullopt when the socket
// itself failed.
std::optional<int> netlinkTalk(nlmsghdr* request, const std::function<void(const nlmsghdr*)>& onMessage) {
  const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd < 0) return std::nullopt;
  timeval timeout{1, 0};  // the kernel answers at once; never hang a caller
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  request->nlmsg_seq = 1;
  if (sendto(fd, request, request->nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0) {
    close(fd);
    return std::nullopt;
  }
  const bool dump = (request->nlmsg_flags & NLM_F_DUMP) == NLM_F_DUMP;
  std::vector<char> buffer(32768);
  std::optional<int> result;
  while (!result) {
    const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    size_t left = static_cast<size_t>(n);
    for (auto* h = reinterpret_cast<nlmsghdr*>(buffer.data());
         left >= sizeof(nlmsghdr) && h->nlmsg_len >= sizeof(nlmsghdr) && h->nlmsg_len <= left;
         left -= std::min<size_t>(left, NLMSG_ALIGN(h->nlmsg_len)),
                                                h = reinterpret_cast<nlmsghdr*>(reinterpret_cast<char*>(h) +
                                                                                NLMSG_ALIGN(h->nlmsg_len))) {
      if (h->nlmsg_type == NLMSG_DONE) {
        result = 0;
        break;
      }
      if (h->nlmsg_type == NLMSG_ERROR) {
        const auto* err = static_cast<const nlmsgerr*>(NLMSG_DATA(h));
        result = err->error;
        break;
      }
      onMessage(h);
      if (!dump) {
        result = 0;
        break;
      }
    }
  }
  close(fd);
  return result;
}

void addAttribute(nlmsghdr* n, size_t capacity, unsigned short type, const void* data, size_t size) {
  const size_t len = RTA_LENGTH(size);
  if (NLMSG_ALIGN(n->nlmsg_len) + RTA_ALIGN(len) > capacity) return;
  auto* rta = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(n) + NLMSG_ALIGN(n->nlmsg_len));
  rta->rta_type = type;
  rta->rta_len = static_cast<unsigned short>(len);
  std::memcpy(RTA_DATA(rta), data, size);
  n->nlmsg_len = static_cast<uint32_t>(NLMSG_ALIGN(n->nlmsg_len) + RTA_ALIGN(len));
}

// Up and running: the link is administratively up and has carrier.
std::optional<bool> linkIsUp(int ifindex) {
  struct {
    nlmsghdr header;
    ifinfomsg info;
  } request{};
  request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
  request.header.nlmsg_type = RTM_GETLINK;
  request.header.nlmsg_flags = NLM_F_REQUEST;
  request.info.ifi_family = AF_UNSPEC;
  request.info.ifi_index = ifindex;
  bool up = false;
  const auto rc = netlinkTalk(&request.header, [&](const nlmsghdr* h) {
    if (h->nlmsg_type != RTM_NEWLINK) return;
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(h));
    up = (info->ifi_flags & IFF_UP) && (info->ifi_flags & IFF_RUNNING);
  });
  if (!rc) return std::nullopt;
  return *rc == 0 && up;
}

struct RouteInfo {
  unsigned char type = 0;
  unsigned char dstLen = 0;
  uint32_t table = 0;
  bool hasGateway = false;
  std::vector<int> oifs;
};

RouteInfo parseRoute(const nlmsghdr* h) {
  RouteInfo route;
  const auto* rt = static_cast<const rtmsg*>(NLMSG_DATA(h));
  route.type = rt->rtm_type;
  route.dstLen = rt->rtm_dst_len;
  route.table = rt->rtm_table;
  int len = static_cast<int>(RTM_PAYLOAD(h));
  for (const rtattr* a = RTM_RTA(rt); RTA_OK(a, len); a = RTA_NEXT(a, len)) {
    switch (a->rta_type) {
      case RTA_OIF:
        route.oifs.push_back(*static_cast<const int*>(RTA_DATA(a)));
        break;
      case RTA_GATEWAY:
        route.hasGateway = true;
        break;
      case RTA_TABLE:
        route.table = *static_cast<const uint32_t*>(RTA_DATA(a));
        break;
      case RTA_MULTIPATH: {
        auto* hop = static_cast<const rtnexthop*>(RTA_DATA(a));
        int left = static_cast<int>(RTA_PAYLOAD(a));
        while (left >= static_cast<int>(sizeof(rtnexthop)) && hop->rtnh_len >= sizeof(rtnexthop) &&
               hop->rtnh_len <= left) {
          route.oifs.push_back(hop->rtnh_ifindex);
          if (hop->rtnh_len > sizeof(rtnexthop)) route.hasGateway = true;  // nexthop attributes: a gateway
          left -= RTNH_ALIGN(hop->rtnh_len);
          hop = RTNH_NEXT(hop);
        }
        break;
      }
      default:
        break;
    }
  }
  return route;
}

std::optional<bool> anyLinkUp(const std::vector<int>& oifs) {
  bool readable = false;
  for (int oif : oifs) {
    const auto up = linkIsUp(oif);
    if (!up) continue;
    readable = true;
    if (*up) return true;
  }
  if (!readable && !oifs.empty()) return std::nullopt;
  return false;
}

// Flags for "any internet route": a default route over a link that is up.
std::optional<Flags> internetFlags() {
  bool readable = false;
  for (unsigned char family : {AF_INET, AF_INET6}) {
    struct {
      nlmsghdr header;
      rtmsg route;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.route.rtm_family = family;
    std::vector<RouteInfo> defaults;
    const auto rc = netlinkTalk(&request.header, [&](const nlmsghdr* h) {
      if (h->nlmsg_type != RTM_NEWROUTE) return;
      RouteInfo route = parseRoute(h);
      if (route.dstLen == 0 && route.type == RTN_UNICAST && route.table == RT_TABLE_MAIN) {
        defaults.push_back(std::move(route));
      }
    });
    if (!rc) continue;
    readable = true;
    for (const RouteInfo& route : defaults) {
      const auto up = anyLinkUp(route.oifs);
      if (up && *up) return Reachability::kReachable | (route.hasGateway ? 0 : Reachability::kIsDirect);
    }
  }
  if (!readable) return std::nullopt;
  return Flags{0};
}

// Flags for one address: what the kernel's own route lookup ("ip route get") answers.
std::optional<Flags> addressFlags(const sockaddr_storage& address) {
  struct {
    nlmsghdr header;
    rtmsg route;
    char attributes[64];
  } request{};
  request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
  request.header.nlmsg_type = RTM_GETROUTE;
  request.header.nlmsg_flags = NLM_F_REQUEST;
  if (address.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(address);
    if (in.sin_addr.s_addr == htonl(INADDR_ANY)) return internetFlags();
    request.route.rtm_family = AF_INET;
    request.route.rtm_dst_len = 32;
    addAttribute(&request.header, sizeof request, RTA_DST, &in.sin_addr, sizeof in.sin_addr);
  } else if (address.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
    if (IN6_IS_ADDR_UNSPECIFIED(&in6.sin6_addr)) return internetFlags();
    request.route.rtm_family = AF_INET6;
    request.route.rtm_dst_len = 128;
    addAttribute(&request.header, sizeof request, RTA_DST, &in6.sin6_addr, sizeof in6.sin6_addr);
  } else {
    return std::nullopt;
  }
  std::optional<RouteInfo> route;
  const auto rc = netlinkTalk(&request.header, [&](const nlmsghdr* h) {
    if (h->nlmsg_type == RTM_NEWROUTE) route = parseRoute(h);
  });
  if (!rc) return std::nullopt;
  if (*rc != 0 || !route) return Flags{0};  // no route (ENETUNREACH and the like)
  if (route->type == RTN_LOCAL) {
    return Reachability::kReachable | Reachability::kIsLocalAddress | Reachability::kIsDirect;
  }
  if (route->type != RTN_UNICAST) return Flags{0};
  const auto up = anyLinkUp(route->oifs);
  if (!up) return std::nullopt;
  if (!*up) return Flags{0};
  return Reachability::kReachable | (route->hasGateway ? 0 : Reachability::kIsDirect);
}

std::optional<Flags> hostnameFlags(const std::string& hostname) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* results = nullptr;
  if (getaddrinfo(hostname.c_str(), nullptr, &hints, &results) != 0 || !results) return Flags{0};
  std::optional<Flags> best = Flags{0};
  for (addrinfo* ai = results; ai; ai = ai->ai_next) {
    sockaddr_storage address{};
    std::memcpy(&address, ai->ai_addr, std::min<size_t>(ai->ai_addrlen, sizeof address));
    const auto flags = addressFlags(address);
    if (!flags) {
      best = std::nullopt;
      continue;
    }
    if (Reachability::isReachableWithFlags(*flags)) {
      best = flags;
      break;
    }
  }
  freeaddrinfo(results);
  return best;
}

int openRouteMonitor() {
  const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd < 0) return -1;
  sockaddr_nl local{};
  local.nl_family = AF_NETLINK;
  local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

Reachability::Reachability(FlagsReader reader, std::function<int()> openChangeSource)
    : reader_(std::move(reader)), openChangeSource_(std::move(openChangeSource)) {}

Reachability::~Reachability() { stopNotifier(); }

std::shared_ptr<Reachability> Reachability::reachabilityWithAddress(const sockaddr* address) {
  if (!address || (address->sa_family != AF_INET && address->sa_family != AF_INET6)) return nullptr;
  sockaddr_storage copy{};
  std::memcpy(&copy, address, address->sa_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6));
  return std::shared_ptr<Reachability>(
      new Reachability([copy] { return addressFlags(copy); }, openRouteMonitor));
}

std::shared_ptr<Reachability> Reachability::reachabilityForInternetConnection() {
  sockaddr_in zero{};
  zero.sin_family = AF_INET;
  return reachabilityWithAddress(reinterpret_cast<const sockaddr*>(&zero));
}

std::shared_ptr<Reachability> Reachability::reachabilityForLocalWiFi() {
  sockaddr_in linkLocal{};
  linkLocal.sin_family = AF_INET;
  linkLocal.sin_addr.s_addr = htonl(0xA9FE0000);  // 169.254.0.0
  return reachabilityWithAddress(reinterpret_cast<const sockaddr*>(&linkLocal));
}

std::shared_ptr<Reachability> Reachability::reachabilityWithHostname(const std::string& hostname) {
  return std::shared_ptr<Reachability>(
      new Reachability([hostname] { return hostnameFlags(hostname); }, openRouteMonitor));
}

std::shared_ptr<Reachability> Reachability::withReader(FlagsReader reader, int changeFd) {
  return std::shared_ptr<Reachability>(new Reachability(std::move(reader), [changeFd] {
    return changeFd >= 0 ? fcntl(changeFd, F_DUPFD_CLOEXEC, 0) : -1;
  }));
}

// ---- notifier ----

bool Reachability::startNotifier() {
  std::lock_guard lock(mutex_);
  if (queue_) return true;
  const int fd = openChangeSource_ ? openChangeSource_() : -1;
  if (fd < 0) {
    TD_LOG_ERROR(std::string("Reachability: cannot watch the routing tables: ") + std::strerror(errno));
    return false;
  }
  self_ = shared_from_this();
  queue_ = std::make_unique<DispatchQueue>("Reachability");
  source_ = FdSource::makeRead(fd, *queue_);
  std::weak_ptr<Reachability> weak = self_;
  source_->setEventHandler([weak, fd] {
    // Drain every pending change message, then read the flags once.
    char buffer[8192];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n > 0) continue;
      if (n < 0 && (errno == EINTR || errno == ENOBUFS)) continue;  // ENOBUFS: changes were lost
      break;
    }
    if (auto self = weak.lock()) self->onChange();
  });
  source_->setCancelHandler([fd] { close(fd); });
  lastFlags_ = readFlags();
  source_->resume();
  return true;
}

void Reachability::stopNotifier() {
  std::unique_ptr<DispatchQueue> queue;
  std::unique_ptr<FdSource> source;
  std::shared_ptr<Reachability> self;
  {
    std::lock_guard lock(mutex_);
    queue = std::move(queue_);
    source = std::move(source_);
    self = std::move(self_);
    lastFlags_.reset();
  }
  if (source) source->cancel();
  source.reset();
  if (queue) {
    if (queue->isCurrent()) {
      // Stopped from one of its own blocks: the queue cannot join itself, so let another thread.
      std::shared_ptr<DispatchQueue> last(queue.release());
      DispatchQueue::background().async([last] {});
    } else {
      queue.reset();  // drains and joins
    }
  }
  // `self` may hold the last reference: nothing below may touch this object.
}

bool Reachability::isNotifying() const {
  std::lock_guard lock(mutex_);
  return queue_ != nullptr;
}

void Reachability::onChange() {
  const std::optional<Flags> flags = readFlags();
  {
    std::lock_guard lock(mutex_);
    if (flags == lastFlags_) return;
    lastFlags_ = flags;
  }
  reachabilityChanged(flags.value_or(0));
}

void Reachability::reachabilityChanged(Flags flags) {
  Block block;
  {
    std::lock_guard lock(mutex_);
    block = isReachableWithFlags(flags) ? reachableBlock_ : unreachableBlock_;
  }
  if (block) block(*this);
  NotificationCenter::defaultCenter().postOnMainThread(kReachabilityChangedNotification, shared_from_this());
}

void Reachability::setReachableBlock(Block block) {
  std::lock_guard lock(mutex_);
  reachableBlock_ = std::move(block);
}

void Reachability::setUnreachableBlock(Block block) {
  std::lock_guard lock(mutex_);
  unreachableBlock_ = std::move(block);
}

// ---- flag queries ----

bool Reachability::isReachableWithFlags(Flags flags) {
  return (flags & kReachable) && (flags & (kTransientConnection | kConnectionRequired)) !=
                                     (kTransientConnection | kConnectionRequired);
}

bool Reachability::isReachable() const {
  const auto flags = readFlags();
  return flags && isReachableWithFlags(*flags);
}

bool Reachability::isReachableViaWiFi() const {
  const auto flags = readFlags();
  return flags && (*flags & kReachable);
}

bool Reachability::connectionRequired() const {
  const auto flags = readFlags();
  return flags && (*flags & kConnectionRequired);
}

bool Reachability::isConnectionOnDemand() const {
  const auto flags = readFlags();
  return flags && (*flags & kConnectionRequired) && (*flags & (kConnectionOnTraffic | kConnectionOnDemand));
}

bool Reachability::isInterventionRequired() const {
  const auto flags = readFlags();
  return flags && (*flags & kConnectionRequired) && (*flags & kInterventionRequired);
}

Reachability::NetworkStatus Reachability::currentReachabilityStatus() const {
  if (!isReachable()) return NotReachable;
  return isReachableViaWiFi() ? ReachableViaWiFi : NotReachable;
}

Reachability::Flags Reachability::reachabilityFlags() const { return readFlags().value_or(0); }

std::string Reachability::currentReachabilityString() const {
  return currentReachabilityStatus() == ReachableViaWiFi ? "WiFi" : "No Connection";
}

std::string Reachability::flagsText(Flags flags) {
  auto bit = [flags](Flags b, char c) { return (flags & b) ? c : '-'; };
  std::string text;
  text += 'X';
  text += bit(kReachable, 'R');
  text += ' ';
  text += bit(kConnectionRequired, 'c');
  text += bit(kTransientConnection, 't');
  text += bit(kInterventionRequired, 'i');
  text += bit(kConnectionOnTraffic, 'C');
  text += bit(kConnectionOnDemand, 'D');
  text += bit(kIsLocalAddress, 'l');
  text += bit(kIsDirect, 'd');
  return text;
}

std::string Reachability::currentReachabilityFlags() const { return flagsText(reachabilityFlags()); }

std::string Reachability::description() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "<Reachability: %#lx>", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
  return buf;
}

}  // namespace td
