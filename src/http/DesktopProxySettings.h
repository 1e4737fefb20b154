#pragma once
// The desktop's own proxy settings, read when the environment names no proxy: GNOME's (GSettings'
// org.gnome.system.proxy, where its schema is installed) or KDE's (the [Proxy Settings] of the
// kioslaverc files of its configuration folders, when XDG_CURRENT_DESKTOP names KDE), in one form.
// An automatic configuration goes to the engine's own proxy-script path with its URL; one without a
// URL means a direct connection (nothing guesses where a script might be).

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "http/HTTPProxySettings.h"

namespace td {

struct DesktopProxySettings {
  enum class Mode { Direct, Manual, Automatic };
  Mode mode = Mode::Direct;
  // Manual: the proxy of http and of https URLs, as parseProxySetting reads them; empty for none.
  // `socks` serves the URLs whose own is empty.
  std::string http, https, socks;
  // The account kept for the proxy of http (of https) URLs; none when none is kept for it.
  std::optional<ProxyAccount> httpAccount, httpsAccount;
  // The hosts that go direct (proxyExceptionNamesHost's entries, and with `plainHostNamesListed`
  // every host name without a dot); with `listedHostsUseProxy`, the only hosts that use the proxy.
  std::vector<std::string> exceptions;
  bool plainHostNamesListed = false;
  bool listedHostsUseProxy = false;
  // Automatic: the URL (or the path) of the proxy auto-configuration script; empty: none.
  std::string autoConfigURL;
};

// The proxies the settings give for the URL: an empty list for a direct connection, an entry with
// the script's URL for an automatic configuration, nothing when the proxy cannot be read.
std::optional<std::vector<ProxyEntry>> desktopProxiesForURL(const URL& url, const DesktopProxySettings& settings);

// The desktop's settings: KDE's when XDG_CURRENT_DESKTOP names KDE, else GNOME's; nothing when the
// desktop keeps none.
std::optional<DesktopProxySettings> desktopProxySettings(EnvironmentLookup lookup);

// desktopProxySettings() of the process environment as read at most a lifetime ago (1 s unless set
// otherwise), and again at once when a variable that chooses where they are read from has changed
// since (XDG_CURRENT_DESKTOP, XDG_CONFIG_HOME, XDG_CONFIG_DIRS, HOME), or one they were read from
// (those that KDE's settings name when they take the proxies from the environment). A request reads
// the system's settings on its way out, and GSettings or KDE's files cost microseconds each time; a
// change the user makes in the desktop's store is seen within the lifetime.
std::shared_ptr<const std::optional<DesktopProxySettings>> recentDesktopProxySettings();
void setDesktopProxySettingsLifetime(std::chrono::milliseconds lifetime);

// GNOME's settings through GSettings; nothing when their schema is not installed. With dconf (the
// usual store) a read looks into its database file and waits on no other process. The account of
// the http proxy (use-authentication) serves it, and https URLs too when GNOME names no https proxy
// and so sends them through the http one; a separate https proxy has no account in GNOME.
std::optional<DesktopProxySettings> gnomeProxySettings();

// KDE's settings in the kioslaverc texts of its configuration folders, the user's first: each key
// comes from the first text that has it, but a key an earlier text cannot override (one marked
// immutable, "[$i]", by itself, its group or its file) comes from the first text that locks it.
// ProxyType 0 none, 1 manual, 2 a script's URL, 3 detection (direct here), 4 the environment
// variables that the entries name, read through `lookup`. An exception written as a URL
// ("http://127.0.0.1") stands for its host; "<local>" for every host name without a dot.
DesktopProxySettings parseKioslaverc(const std::vector<std::string>& texts, EnvironmentLookup lookup);

}  // namespace td
