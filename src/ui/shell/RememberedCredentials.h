#pragma once
// The login fields remembered per mode ("Live", "Demo"): user name, server and port in the settings
// file as one encrypted, Base64 entry under the mode's key; the password in the secret store under
// the same key. Inside the entry each field is escaped ("%" as "%25", "#" as "%23"), so a field
// holding "#" comes back whole.

#include <optional>
#include <string>

#include "ui/shell/SecretStore.h"

namespace td {

class Defaults;
class LoginInputdata;

inline constexpr const char* LIVE_ACCOUNT_INFO = "Live";
inline constexpr const char* DEMO_ACCOUNT_INFO = "Demo";

struct RememberedCredentials {
  std::string userName;
  std::string server;
  std::string port;  // as typed
};

class CredentialStore {
 public:
  // Everything must outlive the store. Entries are written and read under the initial pass phrase
  // of logindata's presets, the one the next launch reads them with, whatever key the session
  // holds at the moment (a connection lost after the login reply leaves the session key behind).
  CredentialStore(Defaults& defaults, const LoginInputdata& logindata, SecretStore& secrets);

  // The entry under the key; nothing when there is none, or when it does not decode, decrypt or
  // split into four pieces (treated as absent, with one log line).
  std::optional<RememberedCredentials> load(const std::string& key) const;
  // The password remembered under the key, reported to done (main thread).
  void loadPassword(const std::string& key, SecretStore::ReadDone done);
  // Replaces the entry and the password under the key; the settings are written at once. The
  // password's fate is reported to done.
  void store(const std::string& key, const RememberedCredentials& fields, const std::string& password,
             SecretStore::WriteDone done);
  // Removes the entry and the password under the key.
  void remove(const std::string& key);

  // The text of an entry (before encryption), and back.
  static std::string joinFields(const RememberedCredentials& fields);
  static std::optional<RememberedCredentials> splitFields(const std::string& text);

 private:
  const std::string& passPhrase() const;

  Defaults& defaults_;
  const LoginInputdata& logindata_;
  SecretStore& secrets_;
};

}  // namespace td
