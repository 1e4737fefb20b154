#pragma once
// How this machine describes itself to the server in the login and demo registration requests:
// its address, its name, and the operating system's name and version.

#include <span>
#include <string>
#include <vector>

namespace td {

class DeviceInfo {
 public:
  // The second address of the host's address list; with fewer than two addresses the first
  // address that is not a loopback address, else "127.0.0.1".
  static std::string getHostIPAddress();
  // The host's name ("localhost" when the system gives none).
  static std::string getHostName();
  // The operating system's name, "#" and its version, e.g. "Linux#6.1.0-18-amd64".
  static std::string getDeviceNameandOSversion();

  // The host's interface addresses (IPv4 and IPv6, numeric text), in the system's order.
  static std::vector<std::string> hostAddresses();
  // The choice of getHostIPAddress over a given address list.
  static std::string chooseHostIPAddress(std::span<const std::string> addresses);
  // True for 127.0.0.0/8, ::1 and IPv4-mapped 127.0.0.0/8.
  static bool isLoopbackAddress(const std::string& address);
};

}  // namespace td
