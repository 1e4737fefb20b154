#include "ui/banners/WebAddress.h"

#include <cctype>
#include <string>

namespace td {

bool isOpenableWebAddress(std::string_view address) {
  for (unsigned char c : address) {
    if (c <= 0x20 || c == 0x7f) return false;
  }
  const auto colon = address.find(':');
  if (colon == std::string_view::npos) return false;
  std::string scheme;
  for (char c : address.substr(0, colon)) scheme.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (scheme != "http" && scheme != "https") return false;
  const std::string_view rest = address.substr(colon + 1);
  if (rest.substr(0, 2) != "//") return false;
  const std::string_view authority = rest.substr(2, rest.find_first_of("/?#", 2) - 2);
  // The host part after any user information must not be empty.
  const auto at = authority.rfind('@');
  const std::string_view hostPort = at == std::string_view::npos ? authority : authority.substr(at + 1);
  const std::string_view host = hostPort.substr(0, hostPort.find(':'));
  return !host.empty();
}

}  // namespace td
