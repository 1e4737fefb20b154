#include "transport/DeviceInfo.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace td {

std::vector<std::string> DeviceInfo::hostAddresses() {
  std::vector<std::string> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (const ifaddrs* it = list; it; it = it->ifa_next) {
    if (!it->ifa_addr) continue;
    char text[INET6_ADDRSTRLEN + IF_NAMESIZE + 2] = {};
    if (it->ifa_addr->sa_family == AF_INET) {
      const auto* sin = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
      if (!inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text)) continue;
    } else if (it->ifa_addr->sa_family == AF_INET6) {
      const auto* sin6 = reinterpret_cast<const sockaddr_in6*>(it->ifa_addr);
      if (!inet_ntop(AF_INET6, &sin6->sin6_addr, text, sizeof text)) continue;
      // Link-local addresses name their interface, as in "fe80::1%eth0".
      if (IN6_IS_ADDR_LINKLOCAL(&sin6->sin6_addr) && it->ifa_name) {
        std::strncat(text, "%", sizeof text - std::strlen(text) - 1);
        std::strncat(text, it->ifa_name, sizeof text - std::strlen(text) - 1);
      }
    } else {
      continue;
    }
    out.emplace_back(text);
  }
  freeifaddrs(list);
  return out;
}

bool DeviceInfo::isLoopbackAddress(const std::string& address) {
  in_addr v4{};
  if (inet_pton(AF_INET, address.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  const std::string bare = address.substr(0, address.find('%'));
  in6_addr v6{};
  if (inet_pton(AF_INET6, bare.c_str(), &v6) == 1) {
    if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) return v6.s6_addr[12] == 127;
  }
  return false;
}

std::string DeviceInfo::chooseHostIPAddress(std::span<const std::string> addresses) {
  if (addresses.size() >= 2) return addresses[1];
  for (const std::string& a : addresses) {
    if (!isLoopbackAddress(a)) return a;
  }
  return "127.0.0.1";
}

std::string DeviceInfo::getHostIPAddress() {
  const std::vector<std::string> addresses = hostAddresses();
  return chooseHostIPAddress(addresses);
}

std::string DeviceInfo::getHostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

std::string DeviceInfo::getDeviceNameandOSversion() {
  utsname u{};
  if (uname(&u) != 0) return "Linux#";
  return std::string(u.sysname) + "#" + u.release;
}

}  // namespace td
