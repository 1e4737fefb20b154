#include "http/HTTPCredentialKeyring.h"

#include <libsecret/secret.h>

#include <map>
#include <memory>
#include <mutex>

#include "http/ASIHTTPRequest.h"
#include "platform/Log.h"

namespace td {
namespace {

const SecretSchema& schema() {
  static const SecretSchema made = [] {
    SecretSchema s{};
    s.name = "org.tarnwickdesk.HTTPCredentials";
    s.flags = SECRET_SCHEMA_NONE;
    s.attributes[0] = {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[1] = {"host", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[2] = {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER};
    s.attributes[3] = {"protocol", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[4] = {"realm", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[5] = {"user", SECRET_SCHEMA_ATTRIBUTE_STRING};
    return s;
  }();
  return made;
}

struct HashTableUnref {
  void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
using Attributes = std::unique_ptr<GHashTable, HashTableUnref>;

// The attributes that name the space (all but "user"); the table owns its strings.
Attributes attributesOf(const HTTPProtectionSpace& space) {
  Attributes table(g_hash_table_new_full(g_str_hash, g_str_equal, nullptr, g_free));
  g_hash_table_insert(table.get(), const_cast<char*>("kind"), g_strdup(space.proxy ? "proxy" : "server"));
  g_hash_table_insert(table.get(), const_cast<char*>("host"), g_strdup(space.host.c_str()));
  g_hash_table_insert(table.get(), const_cast<char*>("port"), g_strdup(std::to_string(space.port).c_str()));
  g_hash_table_insert(table.get(), const_cast<char*>("protocol"), g_strdup(space.protocol.c_str()));
  g_hash_table_insert(table.get(), const_cast<char*>("realm"), g_strdup(space.realm.c_str()));
  return table;
}

// Logs a failure of the secret service once per kind of operation; true when there was one.
bool failed(GError* error, const char* what) {
  if (!error) return false;
  static std::mutex lock;
  static std::map<std::string, bool> logged;
  {
    std::lock_guard guard(lock);
    if (!logged[what]) {
      logged[what] = true;
      TD_LOG_WARN(std::string("Secret service: ") + what + ": " + error->message);
    }
  }
  g_error_free(error);
  return true;
}

// Credentials kept where the secret service is missing or refused them.
std::mutex& memoryLock() {
  static std::mutex lock;
  return lock;
}
std::map<HTTPProtectionSpace, HTTPCredentials>& memory() {
  static auto* store = new std::map<HTTPProtectionSpace, HTTPCredentials>();
  return *store;
}

std::optional<HTTPCredentials> findInSecretService(const HTTPProtectionSpace& space) {
  GError* error = nullptr;
  GList* items = secret_password_searchv_sync(&schema(), attributesOf(space).get(), SECRET_SEARCH_LOAD_SECRETS,
                                              nullptr, &error);
  if (failed(error, "looking up credentials")) return std::nullopt;
  std::optional<HTTPCredentials> found;
  for (GList* node = items; node && !found; node = node->next) {
    auto* item = static_cast<SecretRetrievable*>(node->data);
    SecretValue* secret = secret_retrievable_retrieve_secret_sync(item, nullptr, &error);
    if (failed(error, "reading credentials") || !secret) continue;
    Attributes attributes(secret_retrievable_get_attributes(item));
    const char* password = secret_value_get_text(secret);
    const auto* user = static_cast<const char*>(g_hash_table_lookup(attributes.get(), "user"));
    if (user && password) found = HTTPCredentials{user, password, std::nullopt};
    secret_value_unref(secret);
  }
  g_list_free_full(items, g_object_unref);
  return found;
}

}  // namespace

bool HTTPCredentialKeyring::usesSecretService() {
  static const bool answers = [] {
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
    if (failed(error, "not reachable; credentials are kept in memory only")) return false;
    g_object_unref(service);
    return true;
  }();
  return answers;
}

void HTTPCredentialKeyring::save(const HTTPProtectionSpace& space, const HTTPCredentials& credentials) {
  if (usesSecretService()) {
    // One item per space: the credentials of another user go first.
    GError* error = nullptr;
    Attributes attributes = attributesOf(space);
    secret_password_clearv_sync(&schema(), attributes.get(), nullptr, &error);
    if (!failed(error, "replacing credentials")) {
      g_hash_table_insert(attributes.get(), const_cast<char*>("user"), g_strdup(credentials.username.c_str()));
      const std::string label = "TarnwickDesk: " + credentials.username + " at " + space.host + ":" +
                                std::to_string(space.port) + (space.realm.empty() ? "" : " (" + space.realm + ")");
      secret_password_storev_sync(&schema(), attributes.get(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                  credentials.password.c_str(), nullptr, &error);
      if (!failed(error, "saving credentials")) {
        std::lock_guard lock(memoryLock());
        memory().erase(space);
        return;
      }
    }
  }
  std::lock_guard lock(memoryLock());
  memory()[space] = credentials;
}

std::optional<HTTPCredentials> HTTPCredentialKeyring::find(const HTTPProtectionSpace& space) {
  {
    std::lock_guard lock(memoryLock());
    if (auto it = memory().find(space); it != memory().end()) return it->second;
  }
  if (!usesSecretService()) return std::nullopt;
  return findInSecretService(space);
}

void HTTPCredentialKeyring::remove(const HTTPProtectionSpace& space) {
  {
    std::lock_guard lock(memoryLock());
    memory().erase(space);
  }
  if (!usesSecretService()) return;
  GError* error = nullptr;
  secret_password_clearv_sync(&schema(), attributesOf(space).get(), nullptr, &error);
  failed(error, "removing credentials");
}

}  // namespace td
