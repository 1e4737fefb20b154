#include "http/DesktopProxySettings.h"

#include <gio/gio.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <utility>

#include "http/HTTPHeaders.h"

namespace td {
namespace {

// ---------------------------------------------------------------- GNOME

// The settings objects of org.gnome.system.proxy and of its http, https and socks children.
struct GnomeStore {
  GSettings* proxy;
  GSettings* http;
  GSettings* https;
  GSettings* socks;
  bool httpAccount;  // the http child has the keys of the proxy's account
};

bool hasKeys(GSettingsSchema* schema, std::initializer_list<const char*> keys) {
  bool whole = true;
  for (const char* key : keys) whole = whole && g_settings_schema_has_key(schema, key);
  return whole;
}

// A settings object of the schema when it is installed with every key named; `extra` tells whether
// it has the `extraKeys` too.
GSettings* openSchema(GSettingsSchemaSource* source, const char* id, std::initializer_list<const char*> keys,
                      std::initializer_list<const char*> extraKeys = {}, bool* extra = nullptr) {
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
  if (!schema) return nullptr;
  GSettings* settings = hasKeys(schema, keys) ? g_settings_new_full(schema, nullptr, nullptr) : nullptr;
  if (extra) *extra = hasKeys(schema, extraKeys);
  g_settings_schema_unref(schema);
  return settings;
}

// Made once, on first use, for the life of the process; nothing when the schema is not installed.
const GnomeStore* gnomeStore() {
  static const GnomeStore* const store = []() -> const GnomeStore* {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return nullptr;
    bool httpAccount = false;
    GSettings* http = openSchema(source, "org.gnome.system.proxy.http", {"host", "port"},
                                 {"use-authentication", "authentication-user", "authentication-password"}, &httpAccount);
    const GnomeStore opened{openSchema(source, "org.gnome.system.proxy", {"mode", "autoconfig-url", "ignore-hosts"}),
                            http, openSchema(source, "org.gnome.system.proxy.https", {"host", "port"}),
                            openSchema(source, "org.gnome.system.proxy.socks", {"host", "port"}), httpAccount};
    if (opened.proxy && opened.http && opened.https && opened.socks) return new GnomeStore(opened);
    for (GSettings* settings : {opened.proxy, opened.http, opened.https, opened.socks})
      if (settings) g_object_unref(settings);
    return nullptr;
  }();
  return store;
}

std::string takeString(gchar* text) {
  std::string value = text ? text : "";
  g_free(text);
  return value;
}

// "scheme://host:port" of a child's host and port; empty when either is unset (GNOME's rule).
std::string gnomeProxy(GSettings* settings, const char* scheme) {
  const std::string host = takeString(g_settings_get_string(settings, "host"));
  const int port = g_settings_get_int(settings, "port");
  if (host.empty() || port <= 0) return {};
  const bool ipv6 = host.find(':') != std::string::npos;
  return std::string(scheme) + "://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

// ---------------------------------------------------------------- KDE

std::optional<std::string> lookupOrNothing(EnvironmentLookup lookup, const std::string& name) {
  if (name.empty()) return std::nullopt;
  return lookup(name.c_str());
}

bool namesKDE(const std::optional<std::string>& desktops) {
  if (!desktops) return false;
  for (const std::string& desktop : splitList(*desktops, ':'))
    if (equalsIgnoringCase(desktop, "KDE")) return true;
  return false;
}

// The folders KDE reads its configuration from, the user's first: XDG_CONFIG_HOME (else ~/.config),
// then each of XDG_CONFIG_DIRS (else /etc/xdg). A relative path is no folder of these.
std::vector<std::string> kdeConfigFolders(EnvironmentLookup lookup) {
  std::vector<std::string> folders;
  const auto config = lookup("XDG_CONFIG_HOME");
  if (config && !config->empty()) folders.push_back(*config);
  else if (auto home = lookup("HOME"); home && !home->empty()) folders.push_back(*home + "/.config");
  const auto dirs = lookup("XDG_CONFIG_DIRS");
  const std::vector<std::string> system = splitList(dirs.value_or(""), ':');
  folders.insert(folders.end(), system.begin(), system.end());
  if (system.empty()) folders.emplace_back("/etc/xdg");
  std::erase_if(folders, [](const std::string& folder) { return folder.front() != '/'; });
  return folders;
}

std::optional<DesktopProxySettings> kdeProxySettings(EnvironmentLookup lookup) {
  std::vector<std::string> texts;
  for (const std::string& folder : kdeConfigFolders(lookup)) {
    std::ifstream in(folder + "/kioslaverc", std::ios::binary);
    if (in) texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return parseKioslaverc(texts, lookup);
}

// Whether KConfig's flags ("[$i]", "[$ie]") of a key, a group or a file mark it immutable.
bool immutableFlag(std::string_view flags) {
  return flags.size() >= 4 && flags.starts_with("[$") && flags.ends_with("]") &&
         flags.find('i') != std::string_view::npos;
}

// The [Proxy Settings] group as KConfig reads its files: from the least specific to the user's, each
// entry replacing an earlier one unless that was locked.
struct ProxyGroup {
  std::map<std::string, std::string> values;
  std::set<std::string> lockedKeys;
  bool locked = false;  // the whole group

  void read(std::string_view text) {
    if (locked) return;
    bool fileLocked = false, inGroup = false, seenGroup = false, lockAfterFile = false;
    for (const std::string& line : splitList(text, '\n')) {
      if (line.front() == '#') continue;
      if (line.front() == '[') {
        if (!seenGroup && line == "[$i]") {  // the whole file
          fileLocked = true;
          continue;
        }
        seenGroup = true;
        const auto close = line.find(']');
        const std::string rest = close == std::string::npos ? std::string() : line.substr(close + 1);
        inGroup = close != std::string::npos && line.substr(1, close - 1) == "Proxy Settings" &&
                  (rest.empty() || immutableFlag(rest));
        if (inGroup && (fileLocked || !rest.empty())) lockAfterFile = true;
        continue;
      }
      const auto equals = line.find('=');
      if (!inGroup || equals == std::string::npos) continue;
      // "httpProxy[$e]": the key and its flags; a key for a language ("Name[de]") is not this one.
      const std::string name = trimWhitespace(line.substr(0, equals));
      const auto open = name.find('[');
      const std::string key = trimWhitespace(name.substr(0, open));
      const std::string flags = open == std::string::npos ? std::string() : name.substr(open);
      if (!flags.empty() && !flags.starts_with("[$")) continue;
      if (lockedKeys.contains(key)) continue;
      values[key] = trimWhitespace(line.substr(equals + 1));
      if (fileLocked || immutableFlag(flags)) lockedKeys.insert(key);
    }
    if (lockAfterFile) locked = true;
  }
};

// An exception as KDE reads it: a URL ("http://127.0.0.1:8080/") stands for its host.
std::string kdeExceptionHost(const std::string& entry) {
  const auto scheme = entry.find("://");
  if (scheme == std::string::npos) return entry;
  std::string authority = entry.substr(scheme + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (const auto at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
  if (!authority.empty() && authority.front() == '[') return authority.substr(0, authority.find(']') + 1);
  return authority.substr(0, authority.find(':'));
}

// A host name without a dot (not an address: IPv4's have dots, IPv6's colons).
bool isPlainHostName(const std::string& host) {
  return !host.empty() && host.find_first_of(".:") == std::string::npos;
}

}  // namespace

std::optional<std::vector<ProxyEntry>> desktopProxiesForURL(const URL& url, const DesktopProxySettings& settings) {
  std::vector<ProxyEntry> list;
  if (settings.mode == DesktopProxySettings::Mode::Direct) return list;
  bool listed = settings.plainHostNamesListed && isPlainHostName(url.host());
  for (const std::string& entry : settings.exceptions) listed = listed || proxyExceptionNamesHost(entry, url);
  if (listed != settings.listedHostsUseProxy) return list;
  if (settings.mode == DesktopProxySettings::Mode::Automatic) {
    // No URL: nothing to run, and no guessing where a script might be. A path is a file's.
    std::string script = settings.autoConfigURL;
    if (script.empty()) return list;
    if (script.front() == '/') script = URL::fileURLWithPath(script).absoluteString();
    list.push_back(ProxyEntry{{}, 0, {}, script, {}});
    return list;
  }
  std::string own;
  std::optional<ProxyAccount> account;
  if (url.scheme() == "https") {
    own = settings.https;
    account = settings.httpsAccount;
  } else if (url.scheme() == "http") {
    own = settings.http;
    account = settings.httpAccount;
  }
  std::optional<ProxyEntry> proxy;
  if (!own.empty()) proxy = parseProxySetting(own);
  else if (!settings.socks.empty()) proxy = parseProxySetting(settings.socks, "socks");
  else return list;
  if (!proxy) return std::nullopt;
  if (!own.empty()) proxy->account = std::move(account);
  list.push_back(*proxy);
  return list;
}

std::optional<DesktopProxySettings> desktopProxySettings(EnvironmentLookup lookup) {
  if (namesKDE(lookup("XDG_CURRENT_DESKTOP"))) return kdeProxySettings(lookup);
  return gnomeProxySettings();
}

namespace {

// The variables that choose whose settings are read and from which files: kept settings are read
// again at once when one of them changes, whether or not the last read looked at it.
constexpr std::array<const char*, 4> kSettingsVariables{"XDG_CURRENT_DESKTOP", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS",
                                                        "HOME"};

// Each variable a read of the settings looked at (those above, and those that KDE's settings name,
// such as httpProxy=MY_PROXY), with the value it had then.
using SettingsVariables = std::vector<std::pair<std::string, std::optional<std::string>>>;

// The variables of the read in progress on this thread, if any.
thread_local SettingsVariables* variablesRead = nullptr;

// The process environment's lookup, noting each variable it looks at in `variablesRead`.
std::optional<std::string> notedEnvironment(const char* name) {
  std::optional<std::string> value = processEnvironment(name);
  if (variablesRead && std::none_of(variablesRead->begin(), variablesRead->end(),
                                    [&](const auto& variable) { return variable.first == name; }))
    variablesRead->emplace_back(name, value);
  return value;
}

// Notes, while it lives, the variables that reads on this thread look at.
class NotingVariables {
 public:
  explicit NotingVariables(SettingsVariables& variables) { variablesRead = &variables; }
  ~NotingVariables() { variablesRead = nullptr; }
  NotingVariables(const NotingVariables&) = delete;
  NotingVariables& operator=(const NotingVariables&) = delete;
};

// Whether the variables still hold their values (looked at on every request: no copy is made to
// compare).
bool settingsVariablesHold(const SettingsVariables& variables) {
  for (const auto& [name, held] : variables) {
    const char* value = std::getenv(name.c_str());
    if (value ? !held || *held != value : held.has_value()) return false;
  }
  return true;
}

struct RecentSettings {
  std::mutex mutex;
  std::chrono::steady_clock::duration lifetime = std::chrono::seconds(1);
  std::chrono::steady_clock::time_point readAt;
  SettingsVariables variables;
  std::shared_ptr<const std::optional<DesktopProxySettings>> settings;
};

// Never destroyed: requests on the network thread may read it while the process exits.
RecentSettings& recentSettings() {
  static auto* recent = new RecentSettings;
  return *recent;
}

}  // namespace

std::shared_ptr<const std::optional<DesktopProxySettings>> recentDesktopProxySettings() {
  RecentSettings& recent = recentSettings();
  const auto now = std::chrono::steady_clock::now();
  std::lock_guard lock(recent.mutex);
  if (!recent.settings || now - recent.readAt >= recent.lifetime || !settingsVariablesHold(recent.variables)) {
    SettingsVariables variables;
    {
      const NotingVariables noting(variables);
      for (const char* name : kSettingsVariables) notedEnvironment(name);
      recent.settings =
          std::make_shared<const std::optional<DesktopProxySettings>>(desktopProxySettings(&notedEnvironment));
    }
    recent.variables = std::move(variables);
    recent.readAt = now;
  }
  return recent.settings;
}

void setDesktopProxySettingsLifetime(std::chrono::milliseconds lifetime) {
  RecentSettings& recent = recentSettings();
  std::lock_guard lock(recent.mutex);
  recent.lifetime = lifetime;
  recent.settings.reset();
}

std::optional<DesktopProxySettings> gnomeProxySettings() {
  const GnomeStore* store = gnomeStore();
  if (!store) return std::nullopt;
  static std::mutex mutex;  // one reader of the settings objects at a time
  std::lock_guard lock(mutex);
  DesktopProxySettings settings;
  const std::string mode = takeString(g_settings_get_string(store->proxy, "mode"));
  if (mode == "manual") settings.mode = DesktopProxySettings::Mode::Manual;
  else if (mode == "auto") settings.mode = DesktopProxySettings::Mode::Automatic;
  else return settings;  // the rest would go unused (each read costs a few microseconds)
  settings.autoConfigURL = trimWhitespace(takeString(g_settings_get_string(store->proxy, "autoconfig-url")));
  gchar** hosts = g_settings_get_strv(store->proxy, "ignore-hosts");
  for (gchar** host = hosts; host && *host; ++host) settings.exceptions.emplace_back(*host);
  g_strfreev(hosts);
  settings.http = gnomeProxy(store->http, "http");
  if (!settings.http.empty() && store->httpAccount && g_settings_get_boolean(store->http, "use-authentication")) {
    settings.httpAccount = ProxyAccount{takeString(g_settings_get_string(store->http, "authentication-user")),
                                        takeString(g_settings_get_string(store->http, "authentication-password"))};
  }
  // An https proxy left empty is the http one, its account included; GNOME keeps none for a
  // separate https proxy.
  settings.https = gnomeProxy(store->https, "http");
  if (settings.https.empty()) {
    settings.https = settings.http;
    settings.httpsAccount = settings.httpAccount;
  }
  settings.socks = gnomeProxy(store->socks, "socks");
  return settings;
}

DesktopProxySettings parseKioslaverc(const std::vector<std::string>& texts, EnvironmentLookup lookup) {
  ProxyGroup group;
  for (auto text = texts.rbegin(); text != texts.rend(); ++text) group.read(*text);
  const std::map<std::string, std::string>& keys = group.values;
  auto value = [&](const char* key) {
    const auto found = keys.find(key);
    return found == keys.end() ? std::string() : found->second;
  };

  DesktopProxySettings settings;
  const std::string type = value("ProxyType");
  if (type == "1" || type == "4") {
    settings.mode = DesktopProxySettings::Mode::Manual;
    settings.http = value("httpProxy");
    settings.https = value("httpsProxy");
    settings.socks = value("socksProxy");
    std::string exceptions = value("NoProxyFor");
    if (type == "4") {
      // The entries name the variables that hold the settings.
      for (std::string* setting : {&settings.http, &settings.https, &settings.socks, &exceptions})
        *setting = lookupOrNothing(lookup, *setting).value_or("");
    }
    for (const std::string& entry : splitList(exceptions, ',')) {
      if (entry == "<local>") settings.plainHostNamesListed = true;
      else if (std::string host = kdeExceptionHost(entry); !host.empty()) settings.exceptions.push_back(std::move(host));
    }
    settings.listedHostsUseProxy = equalsIgnoringCase(value("ReversedException"), "true");
  } else if (type == "2") {
    settings.mode = DesktopProxySettings::Mode::Automatic;
    settings.autoConfigURL = value("Proxy Config Script");
  }
  return settings;
}

}  // namespace td
