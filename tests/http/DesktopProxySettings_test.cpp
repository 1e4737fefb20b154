// The system's proxy settings: the environment when it names a proxy, else the desktop's own store
// (GNOME's GSettings, here on GLib's memory backend; KDE's kioslaverc in a scratch folder), and a
// desktop's automatic configuration running through the engine's own proxy-script path.

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <thread>

#include "HTTPTestSupport.h"
#include "http/DesktopProxySettings.h"

namespace td {
namespace {

using namespace std::chrono_literals;

// GSettings in this process keep their values in memory (set before the first use of GSettings).
const bool memoryBackend = ::setenv("GSETTINGS_BACKEND", "memory", 1) == 0;

// The environment the lookups under test see.
std::map<std::string, std::string>& fakeEnvironment() {
  static std::map<std::string, std::string> variables;
  return variables;
}
std::optional<std::string> fakeLookup(const char* name) {
  const auto found = fakeEnvironment().find(name);
  if (found == fakeEnvironment().end()) return std::nullopt;
  return found->second;
}

URL url(const std::string& text) { return URL::URLWithString(text); }

// "host:port" of the first proxy, "script <url>" for an automatic configuration, "direct" for an
// empty list, "unreadable" for none.
std::string describe(const std::optional<std::vector<ProxyEntry>>& proxies) {
  if (!proxies) return "unreadable";
  if (proxies->empty()) return "direct";
  const ProxyEntry& first = proxies->front();
  if (!first.autoConfigURL.empty()) return "script " + first.autoConfigURL;
  return (first.type == kProxyTypeSOCKS ? "socks " : "") + first.host + ":" + std::to_string(first.port);
}

TEST(ProxyExceptions, NamesHostsDomainsAddressesNetworksAndPorts) {
  struct Case {
    const char* entry;
    const char* url;
    bool names;
  } cases[] = {
      {"*", "http://anything.example/", true},
      {"example.com", "http://example.com/", true},
      {"example.com", "http://www.Example.com./", true},
      {"example.com", "http://notexample.com/", false},
      {".example.com", "http://a.b.example.com/", true},
      {"*.example.com", "http://a.example.com/", true},
      {"example.com:8080", "http://example.com:8080/", true},
      {"example.com:8080", "http://example.com/", false},
      {"127.0.0.0/8", "http://127.1.2.3/", true},
      {"192.168.0.0/16", "http://192.169.0.1/", false},
      {"::1", "http://[::1]:81/", true},
      {"[::1]:81", "http://[::1]:81/", true},
      {"fe80::/10", "http://[fe80::1]/", true},
      {"fe80::/10", "http://127.0.0.1/", false},
      {"[]", "http://x.org/", false},
      {".", "http://x.org./", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(proxyExceptionNamesHost(c.entry, url(c.url)), c.names) << c.entry << " " << c.url;
}

class KDEProxySettings : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(system.file("first"));
    std::filesystem::create_directory(system.file("second"));
    fakeEnvironment() = {{"XDG_CURRENT_DESKTOP", "ubuntu:KDE"},
                         {"XDG_CONFIG_HOME", config.path()},
                         {"XDG_CONFIG_DIRS", system.path()}};
  }
  std::string forURL(const std::string& kioslaverc, const std::string& address) {
    test::writeFile(config.file("kioslaverc"), kioslaverc);
    return describe(systemProxiesForURL(url(address), &fakeLookup));
  }
  // The user's file (none when empty) and those of the two system-wide folders, the first of
  // XDG_CONFIG_DIRS before the second.
  std::string forURL(const std::string& user, const std::string& first, const std::string& second,
                     const std::string& address) {
    std::filesystem::remove(config.file("kioslaverc"));
    if (!user.empty()) test::writeFile(config.file("kioslaverc"), user);
    test::writeFile(system.file("first/kioslaverc"), first);
    test::writeFile(system.file("second/kioslaverc"), second);
    return describe(systemProxiesForURL(url(address), &fakeLookup));
  }
  test::ScratchDir config, system;
};

TEST_F(KDEProxySettings, EveryProxyTypeOfKioslavercMaps) {
  const std::string manual =
      "[General]\nhttpProxy=http://not.this.group 1\n\n[Proxy Settings]\nProxyType=1\n"
      "httpProxy=http://web.proxy 3128\nhttpsProxy[$e]=http://secure.proxy:8443\nsocksProxy=socks://socks.proxy 1080\n"
      "NoProxyFor=localhost,.intranet\nReversedException=false\n";
  EXPECT_EQ(forURL(manual, "http://x.org/"), "web.proxy:3128");
  EXPECT_EQ(forURL(manual, "https://x.org/"), "secure.proxy:8443");
  EXPECT_EQ(forURL(manual, "http://wiki.intranet/"), "direct");
  EXPECT_EQ(forURL("[Proxy Settings]\nProxyType=1\nsocksProxy=socks.proxy:1080\n", "https://x.org/"),
            "socks socks.proxy:1080");
  EXPECT_EQ(forURL("[Proxy Settings]\nProxyType=1\nhttpProxy=http://web.proxy 3128\nNoProxyFor=.intranet\n"
                   "ReversedException=true\n",
                   "http://x.org/"),
            "direct");
  EXPECT_EQ(forURL("[Proxy Settings]\nProxyType=0\nhttpProxy=http://web.proxy 3128\n", "http://x.org/"), "direct");
  EXPECT_EQ(forURL("[Proxy Settings]\nProxyType=1\nhttpProxy=http://bad proxy:80\n", "http://x.org/"), "unreadable");
  EXPECT_EQ(forURL("[Proxy Settings]\nProxyType=2\nProxy Config Script=/etc/proxy.pac\nNoProxyFor=x.org\n",
                   "http://x.org/"),
            "script file:///etc/proxy.pac");
  EXPECT_EQ(forURL("[Proxy Settings]\nProxyType=2\nProxy Config Script=http://wpad.example/proxy.pac\n",
                   "http://x.org/"),
            "script http://wpad.example/proxy.pac");
  // Detection would guess where a script is: direct.
  EXPECT_EQ(forURL("[Proxy Settings]\nProxyType=3\n", "http://x.org/"), "direct");
  // The entries name variables (not those of the proxies the environment itself names).
  fakeEnvironment()["CORP_PROXY"] = "http://corp.proxy:8000";
  fakeEnvironment()["CORP_NO_PROXY"] = "internal.example";
  const std::string variables =
      "[Proxy Settings]\nProxyType=4\nhttpProxy=CORP_PROXY\nhttpsProxy=UNSET_VARIABLE\nNoProxyFor=CORP_NO_PROXY\n";
  EXPECT_EQ(forURL(variables, "http://x.org/"), "corp.proxy:8000");
  EXPECT_EQ(forURL(variables, "http://a.internal.example/"), "direct");
  EXPECT_EQ(forURL(variables, "https://x.org/"), "direct");
  // No file, or another desktop: nothing of KDE's is read.
  std::filesystem::remove(config.file("kioslaverc"));
  EXPECT_EQ(describe(systemProxiesForURL(url("http://x.org/"), &fakeLookup)), "direct");
}

TEST_F(KDEProxySettings, EachKeyComesFromTheFirstFolderThatHasItUnlessASystemFileLocksIt) {
  fakeEnvironment()["XDG_CONFIG_DIRS"] = "relative/xdg::" + system.file("first") + ":" + system.file("second");
  const std::string admin = "[Proxy Settings]\nProxyType=1\nhttpProxy=http://admin.proxy 3128\n";
  const std::string vendor = "[Proxy Settings]\nProxyType=0\nhttpProxy=http://vendor.proxy 1\nNoProxyFor=.intranet\n";
  // No file of the user's: the administrator's proxy, the vendor's exceptions.
  EXPECT_EQ(forURL("", admin, vendor, "http://x.org/"), "admin.proxy:3128");
  EXPECT_EQ(forURL("", admin, vendor, "http://wiki.intranet/"), "direct");
  // The user's keys win over both, key by key.
  EXPECT_EQ(forURL("[Proxy Settings]\nhttpProxy=http://mine.proxy 8080\n", admin, vendor, "http://x.org/"),
            "mine.proxy:8080");
  EXPECT_EQ(forURL("[Proxy Settings]\nProxyType=0\n", admin, vendor, "http://x.org/"), "direct");
  // A locked group, key or file of a system-wide folder keeps what the user's file says away.
  const std::string user = "[Proxy Settings]\nProxyType=0\nhttpProxy=http://mine.proxy 8080\n";
  EXPECT_EQ(forURL(user, "[Proxy Settings][$i]\nProxyType=1\nhttpProxy=http://admin.proxy 3128\n", vendor,
                   "http://x.org/"),
            "admin.proxy:3128");
  EXPECT_EQ(forURL(user, "[$i]\n[Proxy Settings]\nProxyType=1\n", vendor, "http://x.org/"), "vendor.proxy:1");
  EXPECT_EQ(forURL("[Proxy Settings]\nProxyType=1\nhttpProxy=http://mine.proxy 8080\n",
                   "[Proxy Settings]\nhttpProxy[$i]=http://admin.proxy 3128\n", vendor, "http://x.org/"),
            "admin.proxy:3128");
}

TEST_F(KDEProxySettings, AnExceptionWrittenAsAURLNamesItsHostAndLocalNamesDotlessHosts) {
  const std::string exceptions = "NoProxyFor=http://127.0.0.1,<local>,https://[::1]:8443/path,http://me@wiki.corp:80/\n";
  const std::string manual = "[Proxy Settings]\nProxyType=1\nhttpProxy=http://web.proxy 3128\n" + exceptions;
  EXPECT_EQ(forURL(manual, "http://127.0.0.1:8080/"), "direct");
  EXPECT_EQ(forURL(manual, "http://[::1]/"), "direct");
  EXPECT_EQ(forURL(manual, "http://wiki.corp/"), "direct");
  EXPECT_EQ(forURL(manual, "http://intranet/"), "direct");
  EXPECT_EQ(forURL(manual, "http://x.org/"), "web.proxy:3128");
  EXPECT_EQ(forURL(manual, "http://[fe80::1]/"), "web.proxy:3128");  // an address, not a host name
  // Reversed, the same entries name the only hosts that use the proxy.
  const std::string reversed = manual + "ReversedException=true\n";
  EXPECT_EQ(forURL(reversed, "http://intranet/"), "web.proxy:3128");
  EXPECT_EQ(forURL(reversed, "http://127.0.0.1/"), "web.proxy:3128");
  EXPECT_EQ(forURL(reversed, "http://x.org/"), "direct");
}

// GNOME's settings, on the memory backend: the test writes them through objects of its own.
class GNOMEProxySettings : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(memoryBackend);
    fakeEnvironment() = {{"XDG_CURRENT_DESKTOP", "GNOME"}};
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.system.proxy", TRUE) : nullptr;
    ASSERT_TRUE(schema) << "org.gnome.system.proxy is not installed (gsettings-desktop-schemas)";
    g_settings_schema_unref(schema);
    proxy = g_settings_new("org.gnome.system.proxy");
    for (const char* child : {"http", "https", "socks"}) children[child] = g_settings_get_child(proxy, child);
    account = g_settings_get_child(proxy, "http");
  }
  void TearDown() override {
    for (auto& [name, settings] : children) {
      g_settings_reset(settings, "host");
      g_settings_reset(settings, "port");
      g_object_unref(settings);
    }
    if (account) {
      for (const char* key : {"use-authentication", "authentication-user", "authentication-password"})
        g_settings_reset(account, key);
      g_object_unref(account);
    }
    for (const char* key : {"mode", "autoconfig-url", "ignore-hosts"}) g_settings_reset(proxy, key);
    if (proxy) g_object_unref(proxy);
  }
  void setProxy(const char* child, const char* host, int port) {
    g_settings_set_string(children[child], "host", host);
    g_settings_set_int(children[child], "port", port);
  }
  std::string forURL(const std::string& address) { return describe(systemProxiesForURL(url(address), &fakeLookup)); }
  void setAccount(bool use, const char* user, const char* password) {
    g_settings_set_boolean(account, "use-authentication", use);
    g_settings_set_string(account, "authentication-user", user);
    g_settings_set_string(account, "authentication-password", password);
  }
  // "user:password" of the account offered for the proxy host:port on the way to the URL; "none".
  std::string accountFor(const std::string& address, const std::string& host, int port) {
    const auto offered = systemProxyAccount(url(address), host, port, &fakeLookup);
    return offered ? offered->user + ":" + offered->password : "none";
  }

  GSettings* proxy = nullptr;
  GSettings* account = nullptr;
  std::map<std::string, GSettings*> children;
};

TEST_F(GNOMEProxySettings, EveryModeOfGSettingsMaps) {
  setProxy("http", "web.proxy", 3128);
  EXPECT_EQ(forURL("http://x.org/"), "direct");  // mode none

  g_settings_set_string(proxy, "mode", "manual");
  EXPECT_EQ(forURL("http://x.org/"), "web.proxy:3128");
  EXPECT_EQ(forURL("https://x.org/"), "web.proxy:3128");  // no https proxy: the http one
  EXPECT_EQ(forURL("http://127.0.0.1/"), "direct");        // the default ignore-hosts
  setProxy("https", "::1", 8443);
  setProxy("socks", "socks.proxy", 1080);
  EXPECT_EQ(forURL("https://x.org/"), "::1:8443");
  setProxy("http", "web.proxy", 0);  // a port of 0 switches a proxy off
  EXPECT_EQ(forURL("http://x.org/"), "socks socks.proxy:1080");
  const gchar* ignored[] = {"*.intranet", nullptr};
  g_settings_set_strv(proxy, "ignore-hosts", ignored);
  EXPECT_EQ(forURL("http://wiki.intranet/"), "direct");
  EXPECT_EQ(forURL("http://localhost/"), "socks socks.proxy:1080");

  g_settings_set_string(proxy, "mode", "auto");
  EXPECT_EQ(forURL("http://x.org/"), "direct");  // no URL: no guessing
  g_settings_set_string(proxy, "autoconfig-url", "http://wpad.example/proxy.pac");
  EXPECT_EQ(forURL("http://x.org/"), "script http://wpad.example/proxy.pac");
  EXPECT_EQ(forURL("http://wiki.intranet/"), "direct");

  // The environment wins when it names a proxy for the URL, its no_proxy included.
  fakeEnvironment()["http_proxy"] = "http://env.proxy:8080";
  EXPECT_EQ(forURL("http://x.org/"), "env.proxy:8080");
  fakeEnvironment()["no_proxy"] = "x.org";
  EXPECT_EQ(forURL("http://x.org/"), "direct");
  EXPECT_EQ(forURL("https://x.org/"), "script http://wpad.example/proxy.pac");
}

// A variable of the process environment set for a scope, and restored after it.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// What a request reads: the process's desktop settings, kept for a while (they cost microseconds to
// read), read again when they may have changed.
TEST_F(GNOMEProxySettings, ARequestsSettingsAreReadAgainAfterTheirLifetimeAndAtOnceWhenTheDesktopChanges) {
  const auto forRequest = [] { return describe(systemProxiesForURL(url("http://x.org/"))); };
  ScopedVariable gnome("XDG_CURRENT_DESKTOP", "GNOME");
  setDesktopProxySettingsLifetime(1h);
  g_settings_set_string(proxy, "mode", "manual");
  setProxy("http", "first.proxy", 3128);
  EXPECT_EQ(forRequest(), "first.proxy:3128");
  {
    test::ScratchDir config;
    test::writeFile(config.file("kioslaverc"), "[Proxy Settings]\nProxyType=1\nhttpProxy=http://kde.proxy:8080\n");
    ScopedVariable kde("XDG_CURRENT_DESKTOP", "KDE");
    ScopedVariable home("XDG_CONFIG_HOME", config.path());
    EXPECT_EQ(forRequest(), "kde.proxy:8080");
  }
  EXPECT_EQ(forRequest(), "first.proxy:3128");

  setDesktopProxySettingsLifetime(20ms);
  EXPECT_EQ(forRequest(), "first.proxy:3128");
  setProxy("http", "second.proxy", 3128);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(forRequest(), "second.proxy:3128");
  setDesktopProxySettingsLifetime(1s);
}

// KDE's settings that take the proxies from the environment follow the variables they name at once:
// the user went direct, or to another proxy.
TEST_F(KDEProxySettings, ARequestsSettingsFollowTheVariablesTheyNameAtOnce) {
  const auto forRequest = [] { return describe(systemProxiesForURL(url("http://x.org/"))); };
  ::unsetenv("http_proxy");
  test::writeFile(config.file("kioslaverc"),
                  "[Proxy Settings]\nProxyType=4\nhttpProxy=TD_KDE_PROXY\nNoProxyFor=TD_KDE_NO_PROXY\n");
  ScopedVariable kde("XDG_CURRENT_DESKTOP", "KDE");
  ScopedVariable home("XDG_CONFIG_HOME", config.path());
  ScopedVariable dirs("XDG_CONFIG_DIRS", system.path());
  ScopedVariable proxy("TD_KDE_PROXY", "http://first.proxy:3128");
  setDesktopProxySettingsLifetime(1h);
  EXPECT_EQ(forRequest(), "first.proxy:3128");
  ::setenv("TD_KDE_PROXY", "http://second.proxy:3128", 1);
  EXPECT_EQ(forRequest(), "second.proxy:3128");
  ::setenv("TD_KDE_NO_PROXY", "x.org", 1);
  EXPECT_EQ(forRequest(), "direct");
  ::unsetenv("TD_KDE_NO_PROXY");
  ::unsetenv("TD_KDE_PROXY");
  EXPECT_EQ(forRequest(), "direct");
  setDesktopProxySettingsLifetime(1s);
}

TEST_F(GNOMEProxySettings, TheHTTPProxysAccountServesItForHTTPAndForHTTPSWithoutAProxyOfItsOwn) {
  g_settings_set_string(proxy, "mode", "manual");
  setProxy("http", "Web.Proxy", 3128);
  setAccount(true, "pu", "pp");
  EXPECT_EQ(accountFor("http://x.org/", "web.proxy", 3128), "pu:pp");
  EXPECT_EQ(accountFor("https://x.org/", "web.proxy", 3128), "pu:pp");  // through the http proxy
  EXPECT_EQ(accountFor("http://x.org/", "web.proxy", 8080), "none");    // another proxy
  // A separate https proxy has no account in GNOME, even at the http proxy's address.
  setProxy("https", "web.proxy", 3128);
  EXPECT_EQ(accountFor("https://x.org/", "web.proxy", 3128), "none");
  EXPECT_EQ(accountFor("http://x.org/", "web.proxy", 3128), "pu:pp");
  // Nor has the socks proxy, a proxy the environment names, or an account switched off.
  setProxy("http", "", 0);
  setProxy("socks", "web.proxy", 3128);
  EXPECT_EQ(accountFor("http://x.org/", "web.proxy", 3128), "none");
  setProxy("http", "web.proxy", 3128);
  fakeEnvironment()["http_proxy"] = "http://web.proxy:3128";
  EXPECT_EQ(accountFor("http://x.org/", "web.proxy", 3128), "none");
  fakeEnvironment().erase("http_proxy");
  setAccount(false, "pu", "pp");
  EXPECT_EQ(accountFor("http://x.org/", "web.proxy", 3128), "none");
}

// A proxy that asks for Basic credentials lets in a request that has none of its own, with the
// account GNOME keeps for its http proxy.
TEST_F(GNOMEProxySettings, ARequestWithoutProxyCredentialsPassesWithGNOMEsAccount) {
  test::ScratchDir dir;
  int port = 0;
  auto tinyproxy = test::startOnFreePort(port, [&](int p) {
    test::writeFile(dir.file("proxy.conf"), "Port " + std::to_string(p) +
                                                "\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\nLogLevel Critical\n"
                                                "BasicAuth pu pp\n");
    return std::make_unique<test::Process>("tinyproxy", std::vector<std::string>{"-d", "-c", dir.file("proxy.conf")});
  });
  ASSERT_NE(port, 0) << "tinyproxy did not start";
  test::TestServer server;
  test::MainQueueFixture main;
  ::unsetenv("http_proxy");
  ::unsetenv("XDG_CURRENT_DESKTOP");
  g_settings_set_string(proxy, "mode", "manual");
  g_settings_set_strv(proxy, "ignore-hosts", nullptr);
  setProxy("http", "127.0.0.1", port);
  setAccount(true, "pu", "pp");
  test::RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  main.run(request, d);
  ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
  EXPECT_EQ(request->proxyPort(), port);
  EXPECT_EQ(request->proxyAuthenticationScheme(), "Basic");
  EXPECT_NE(request->responseString().value_or("").find("\"Via\""), std::string::npos);
}

// Each in a process of its own, where GSettings is first used under the conditions given; the
// process ends with 0 when the settings were read as expected.
[[noreturn]] void readWithoutSchema(const std::string& empty) {
  ::setenv("XDG_DATA_DIRS", empty.c_str(), 1);
  ::setenv("XDG_DATA_HOME", empty.c_str(), 1);
  ::unsetenv("GSETTINGS_SCHEMA_DIR");
  fakeEnvironment() = {{"XDG_CURRENT_DESKTOP", "GNOME"}};
  const bool none = !gnomeProxySettings();
  const bool direct = describe(systemProxiesForURL(url("http://x.org/"), &fakeLookup)) == "direct";
  std::_Exit(none && direct ? 0 : 1);
}

[[noreturn]] void readDconfBesideABusThatNeverAnswers(const std::string& scratch) {
  // A session bus that takes connections and never says a word.
  const std::string path = scratch + "/bus";
  const int bus = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  if (::bind(bus, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(bus, 16) != 0) std::_Exit(2);
  ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
  ::setenv("GSETTINGS_BACKEND", "dconf", 1);
  ::setenv("XDG_CONFIG_HOME", scratch.c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", scratch.c_str(), 1);
  const auto start = std::chrono::steady_clock::now();
  bool read = true;
  for (int i = 0; i < 3; ++i) read = read && gnomeProxySettings().has_value();
  // Far past three reads on a loaded machine; a wait on the silent bus never ends (a call made on it
  // would end at its 25 s time-out).
  const bool quick = std::chrono::steady_clock::now() - start < 10s;
  const bool dconf = std::string(G_OBJECT_TYPE_NAME(g_settings_backend_get_default())) == "DConfSettingsBackend";
  std::_Exit(read && quick && dconf ? 0 : 1);
}

class DesktopStoreProcess : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
  test::ScratchDir scratch;
};

TEST_F(DesktopStoreProcess, NoSchemaMeansNoGNOMESettingsAndADirectConnection) {
  EXPECT_EXIT(readWithoutSchema(scratch.path()), ::testing::ExitedWithCode(0), "");
}

TEST_F(DesktopStoreProcess, DconfIsReadWithoutWaitingForABusThatNeverAnswers) {
  EXPECT_EXIT(readDconfBesideABusThatNeverAnswers(scratch.path()), ::testing::ExitedWithCode(0), "");
}

// A request whose desktop names a script: the script chooses its proxy (here the test server
// standing in for one, for a host that exists nowhere else).
TEST(DesktopProxyRequests, AnAutomaticConfigurationRunsItsScriptForTheRequest) {
  test::TestServer server;
  ASSERT_NE(server.port(), 0);
  test::MainQueueFixture main;
  test::ScratchDir config;
  test::writeFile(config.file("proxy.pac"), "function FindProxyForURL(u, h) { return h == 'desktop-proxied.test' ? "
                                            "'PROXY 127.0.0.1:" + std::to_string(server.port()) + "' : 'DIRECT'; }");
  test::writeFile(config.file("kioslaverc"),
                  "[Proxy Settings]\nProxyType=2\nProxy Config Script=" + config.file("proxy.pac") + "\n");
  const std::string home = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  ::setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
  ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  test::RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(url("http://desktop-proxied.test/hello"));
  main.run(request, d);
  ::unsetenv("XDG_CURRENT_DESKTOP");
  if (home.empty()) ::unsetenv("XDG_CONFIG_HOME");
  else ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
  EXPECT_EQ(request->PACurl(), URL::fileURLWithPath(config.file("proxy.pac")));
  EXPECT_EQ(request->proxyPort(), server.port());
  EXPECT_TRUE(server.nextRequest()->find("http://desktop-proxied.test/hello") != std::string::npos);
}

}  // namespace
}  // namespace td
