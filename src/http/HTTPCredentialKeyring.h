#pragma once
// Where credentials saved for later runs are kept (requests with useKeychainPersistence): the
// desktop's secret service through libsecret, one item per protection space holding the user name
// and the password; where no secret service answers (or it refuses to store an item), this
// process's memory, as long as it runs.
//
// The secret service is another process, and it may never answer (a stalled daemon, or a keyring
// waiting for the user to unlock it). So every call runs on a thread of the keyring's own, one call
// after another in the order they were made, and each has a deadline: a call that the service has not
// answered by then is cancelled and ends as if nothing was found (a save goes to memory). After such
// a miss the service counts as unavailable for a rest period: calls made then are answered from
// memory at once, so requests do not wait on it one after another. When the rest is over it is asked
// again.
//
// A save or a removal that the service did not take (a miss, or made during the rest) is still owed
// to it: the last one per space is kept (a bounded number of spaces), a lookup answers as if it had
// been made, and it is made before the next call that asks the service, however many misses come
// first. So credentials removed because they were refused never come back from the service.
//
// At exit the keyring waits, at most one deadline (rest or not), for the calls already made and the
// writes still owed, then its thread ends; calls made from then on are answered at once.
//
// Items are of the schema "org.tarnwickdesk.HTTPCredentials" with the attributes "kind" ("server"
// or "proxy"), "host", "port", "protocol", "realm" and "user"; the secret is the password. Items
// written by an earlier run are found by a later one, so this form stays.

#include <chrono>
#include <compare>
#include <functional>
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
  using Found = std::function<void(std::optional<HTTPCredentials>)>;

  struct Timing {
    // How long one call may wait for the secret service (connecting to it included).
    std::chrono::milliseconds deadline{2000};
    // How long the service counts as unavailable after it missed a deadline.
    std::chrono::milliseconds restAfterMiss{60000};
  };
  // For the calls made from now on; a rest that has begun ends (the service is asked again).
  static void setTiming(Timing timing);

  // These return at once. The answer (`found`) comes on the keyring's thread, exactly once, by the
  // call's deadline: hand it on to where it is needed and do nothing long there.
  //
  // What the space holds (memory first, then the secret service); nothing when the service did not
  // answer in time.
  static void find(const HTTPProtectionSpace& space, Found found);
  // Replaces what the space holds.
  static void save(const HTTPProtectionSpace& space, const HTTPCredentials& credentials);
  // Empties the space; with `onlyIfHolding`, only when it holds exactly those credentials.
  static void remove(const HTTPProtectionSpace& space, const HTTPCredentials* onlyIfHolding = nullptr);

  // The same, waiting for the answer: at most the deadlines of the calls made before it and its own.
  // For threads that may wait; never a request's loop.
  static std::optional<HTTPCredentials> findAndWait(const HTTPProtectionSpace& space);
  static void saveAndWait(const HTTPProtectionSpace& space, const HTTPCredentials& credentials);
  static void removeAndWait(const HTTPProtectionSpace& space);

  // Whether a secret service answers now (waiting as findAndWait does). A service that is missing
  // (no session bus, nobody owns its name) is asked once per process: without one, everything stays
  // in memory until the process ends.
  static bool usesSecretService();
};

}  // namespace td
