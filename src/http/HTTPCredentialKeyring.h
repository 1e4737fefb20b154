#pragma once
// Where credentials saved for later runs are kept (requests with useKeychainPersistence): the
// desktop's secret service through libsecret, one item per protection space holding the user name
// and the password; where no secret service answers (or it refuses to store an item), this
// process's memory, as long as it runs. Calls wait for the secret service (D-Bus) and may come from
// any thread.
//
// Items are of the schema "org.tarnwickdesk.HTTPCredentials" with the attributes "kind" ("server"
// or "proxy"), "host", "port", "protocol", "realm" and "user"; the secret is the password. Items
// written by an earlier run are found by a later one, so this form stays.

#include <compare>
#include <optional>
#include <string>

namespace td {

struct HTTPCredentials;

// A server (host, port, scheme, realm) or a proxy (host, port, realm) that credentials are for.
struct HTTPProtectionSpace {
  bool proxy = false;
  std::string host;
  int port = 0;           // as written in the URL, 0 when none
  std::string protocol;   // the URL's scheme; "http" for a proxy
  std::string realm;      // "" when the challenge named none
  friend auto operator<=>(const HTTPProtectionSpace&, const HTTPProtectionSpace&) = default;
};

class HTTPCredentialKeyring {
 public:
  // Replaces what the space holds.
  static void save(const HTTPProtectionSpace& space, const HTTPCredentials& credentials);
  static std::optional<HTTPCredentials> find(const HTTPProtectionSpace& space);
  static void remove(const HTTPProtectionSpace& space);
  // Whether a secret service answers. Asked once per process: without one, everything stays in
  // memory until the process ends.
  static bool usesSecretService();
};

}  // namespace td
