#include "http/ASIDownloadCache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "http/ASIHTTPRequest.h"
#include "http/HTTPEngineException.h"
#include "platform/CryptoPrimitives.h"

namespace td {
namespace {

constexpr const char* kExpiresKey = "X-ASIHTTPRequest-Expires";
constexpr const char* kStatusKey = "X-ASIHTTPRequest-Response-Status-Code";

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::string> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Response headers that hold secrets of the user or the session, never written to disk.
bool isSecretHeader(std::string_view name) {
  return equalsIgnoringCase(name, "Set-Cookie") || equalsIgnoringCase(name, "Authorization") ||
         equalsIgnoringCase(name, "Proxy-Authorization");
}

// Whether a directive list ("public, max-age=60, no-store") holds one of the directives (compared in
// lower case, without any value).
bool hasDirective(std::string_view list, std::initializer_list<std::string_view> names) {
  std::size_t start = 0;
  while (start <= list.size()) {
    const auto comma = list.find(',', start);
    const std::string_view item = list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    const std::string directive = toLower(trimWhitespace(item.substr(0, item.find('='))));
    for (std::string_view name : names)
      if (directive == name) return true;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return false;
}

std::string cacheHome() {
  if (const char* home = std::getenv("XDG_CACHE_HOME"); home && *home == '/') return home;
  const char* user = std::getenv("HOME");
  return std::string(user && *user ? user : "/tmp") + "/.cache";
}

}  // namespace

ASIDownloadCache::ASIDownloadCache() = default;

std::shared_ptr<ASIDownloadCache> ASIDownloadCache::sharedCache() {
  static std::mutex lock;
  static std::shared_ptr<ASIDownloadCache> shared;
  std::lock_guard guard(lock);
  if (!shared) {
    auto cache = std::make_shared<ASIDownloadCache>();
    const std::string base = cacheHome() + "/tarnwickdesk";
    std::error_code ec;
    std::filesystem::create_directories(base, ec);
    cache->setStoragePath(base + "/HTTPCache");
    shared = cache;
  }
  return shared;
}

std::optional<std::string> ASIDownloadCache::keyForURL(const URL& url) {
  std::string text = url.absoluteString();
  if (text.empty()) return std::nullopt;
  if (text.back() == '/') text.pop_back();
  const auto digest = crypto::md5(text);
  std::string key;
  char hex[3];
  for (auto b : digest) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    key += hex;
  }
  return key;
}

const std::vector<std::string>& ASIDownloadCache::fileExtensionsToHandleAsHTML() {
  static const std::vector<std::string> list{"asp", "aspx", "jsp", "php", "rb", "py", "pl", "cgi"};
  return list;
}

std::string ASIDownloadCache::bodyExtension(const URL& url) {
  const std::string extension = url.pathExtension();
  if (extension.empty()) return "html";
  const std::string lower = toLower(extension);
  for (const auto& html : fileExtensionsToHandleAsHTML())
    if (lower == html) return "html";
  return extension;
}

bool ASIDownloadCache::serverAllowsResponseCachingForRequest(ASIHTTPRequest& request) {
  const auto headers = request.responseHeaders();
  if (!headers) return true;
  if (hasDirective(headers->get("Cache-Control").value_or(""), {"no-cache", "no-store", "private"})) return false;
  return !hasDirective(headers->get("Pragma").value_or(""), {"no-cache"});
}

std::optional<std::string> ASIDownloadCache::storagePath() const {
  std::lock_guard lock(accessLock_);
  return storagePath_;
}

void ASIDownloadCache::setStoragePath(const std::string& path) {
  std::lock_guard lock(accessLock_);
  if (storagePath_) clearCachedResponsesForStoragePolicy(ASICacheForSessionDurationCacheStoragePolicy);
  storagePath_ = path;
  for (const std::string& folder : {path, path + "/" + sessionCacheFolder, path + "/" + permanentCacheFolder}) {
    if (exists(folder)) {
      if (!isDirectory(folder))
        throw HTTPEngineException("FileExistsAtCachePath", "Cannot create a directory for the cache at '" + folder +
                                                               "', because a file already exists");
      continue;
    }
    ::mkdir(folder.c_str(), 0700);
    if (!isDirectory(folder))
      throw HTTPEngineException("FailedToCreateCacheDirectory", "Failed to create a directory for the cache at '" + folder + "'");
  }
  clearCachedResponsesForStoragePolicy(ASICacheForSessionDurationCacheStoragePolicy);
}

int ASIDownloadCache::defaultCachePolicy() const {
  std::lock_guard lock(accessLock_);
  return defaultCachePolicy_;
}

void ASIDownloadCache::setDefaultCachePolicy(int policy) {
  std::lock_guard lock(accessLock_);
  defaultCachePolicy_ = policy == 0 ? ASIAskServerIfModifiedWhenStaleCachePolicy : policy;
}

bool ASIDownloadCache::shouldRespectCacheControlHeaders() const {
  std::lock_guard lock(accessLock_);
  return shouldRespectCacheControlHeaders_;
}

void ASIDownloadCache::setShouldRespectCacheControlHeaders(bool respect) {
  std::lock_guard lock(accessLock_);
  shouldRespectCacheControlHeaders_ = respect;
}

std::optional<WallClock::time_point> ASIDownloadCache::expiryDateForRequest(ASIHTTPRequest& request, double maxAge) {
  return ASIHTTPRequest::expiryDateForRequest(request, maxAge);
}

std::optional<HTTPHeaders> ASIDownloadCache::readHeaders(const std::string& path) const {
  const auto text = readAll(path);
  if (!text) return std::nullopt;
  const auto json = nlohmann::json::parse(*text, nullptr, false);
  if (!json.is_object()) return std::nullopt;  // an unreadable file means nothing is cached
  HTTPHeaders headers;
  for (const auto& [name, value] : json.items()) {
    if (value.is_string()) headers.set(name, value.get<std::string>());
    else if (value.is_number_integer()) headers.set(name, std::to_string(value.get<long long>()));
    else if (value.is_number()) headers.set(name, std::to_string(value.get<double>()));
  }
  return headers;
}

void ASIDownloadCache::updateExpiryForRequest(ASIHTTPRequest& request, double maxAge) {
  const auto expiry = expiryDateForRequest(request, maxAge);
  const auto path = pathToStoreCachedResponseHeadersForRequest(request);
  std::lock_guard lock(accessLock_);
  if (!path || !expiry) return;
  const auto text = readAll(*path);
  if (!text) return;
  auto json = nlohmann::json::parse(*text, nullptr, false);
  if (!json.is_object()) return;
  json[kExpiresKey] = std::chrono::duration<double>(expiry->time_since_epoch()).count();
  writePrivateFile(*path, json.dump());
}

std::optional<std::string> ASIDownloadCache::pathToFile(const std::string& fileName) const {
  std::lock_guard lock(accessLock_);
  if (!storagePath_) return std::nullopt;
  for (const char* folder : {sessionCacheFolder, permanentCacheFolder}) {
    const std::string path = *storagePath_ + "/" + folder + "/" + fileName;
    if (exists(path)) return path;
  }
  return std::nullopt;
}

std::optional<std::string> ASIDownloadCache::pathToCachedResponseHeadersForURL(const URL& url) {
  const auto key = keyForURL(url);
  if (!key) return std::nullopt;
  return pathToFile(*key + ".cachedheaders");
}

std::optional<std::string> ASIDownloadCache::pathToCachedResponseDataForURL(const URL& url) {
  const auto key = keyForURL(url);
  if (!key) return std::nullopt;
  return pathToFile(*key + "." + bodyExtension(url));
}

std::optional<HTTPHeaders> ASIDownloadCache::cachedResponseHeadersForURL(const URL& url) {
  std::lock_guard lock(accessLock_);
  const auto path = pathToCachedResponseHeadersForURL(url);
  if (!path) return std::nullopt;
  return readHeaders(*path);
}

std::optional<std::string> ASIDownloadCache::cachedResponseDataForURL(const URL& url) {
  std::lock_guard lock(accessLock_);
  const auto path = pathToCachedResponseDataForURL(url);
  if (!path) return std::nullopt;
  return readAll(*path);
}

std::string ASIDownloadCache::storageFolder(int storagePolicy) const {
  return *storagePath_ + "/" + (storagePolicy == ASICacheForSessionDurationCacheStoragePolicy ? sessionCacheFolder
                                                                                              : permanentCacheFolder);
}

std::optional<std::string> ASIDownloadCache::pathToStoreForRequest(ASIHTTPRequest& request, bool body) {
  const URL url = request.url();
  const int policy = request.cacheStoragePolicy();
  std::lock_guard lock(accessLock_);
  const auto key = keyForURL(url);
  if (!storagePath_ || !key) return std::nullopt;
  return storageFolder(policy) + "/" + *key + "." + (body ? bodyExtension(url) : "cachedheaders");
}

std::optional<std::string> ASIDownloadCache::pathToStoreCachedResponseHeadersForRequest(ASIHTTPRequest& request) {
  return pathToStoreForRequest(request, false);
}

std::optional<std::string> ASIDownloadCache::pathToStoreCachedResponseDataForRequest(ASIHTTPRequest& request) {
  return pathToStoreForRequest(request, true);
}

void ASIDownloadCache::removeCachedDataForURL(const URL& url) {
  std::lock_guard lock(accessLock_);
  if (!storagePath_) return;
  if (auto path = pathToCachedResponseHeadersForURL(url)) std::remove(path->c_str());
  if (auto path = pathToCachedResponseDataForURL(url)) std::remove(path->c_str());
}

void ASIDownloadCache::removeCachedDataForRequest(ASIHTTPRequest& request) { removeCachedDataForURL(request.url()); }

bool ASIDownloadCache::isCachedDataCurrentForRequest(ASIHTTPRequest& request) {
  // What the request holds is read before the cache's lock is taken.
  const URL url = request.url();
  const int status = request.responseStatusCode();
  const auto responseHeaders = request.responseHeaders();
  const bool complete = request.complete();
  std::lock_guard lock(accessLock_);
  if (!storagePath_) return false;
  const auto cached = cachedResponseHeadersForURL(url);
  if (!cached || !pathToCachedResponseDataForURL(url)) return false;
  if (status == 304) return true;
  if (responseHeaders && complete) {
    for (const char* name : {"Etag", "Last-Modified"}) {
      const auto mine = responseHeaders->get(name);
      const auto stored = cached->get(name);
      if (stored && (!mine || *mine != *stored)) return false;
    }
  }
  if (!shouldRespectCacheControlHeaders_) return true;
  if (const auto expires = cached->get(kExpiresKey)) {
    try {
      const double seconds = std::stod(*expires);
      const auto when = WallClock::time_point(std::chrono::duration_cast<WallClock::duration>(std::chrono::duration<double>(seconds)));
      if (when >= WallClock::now()) return true;
    } catch (...) {
    }
  }
  return false;
}

bool ASIDownloadCache::canUseCachedDataForRequest(ASIHTTPRequest& request) {
  const int policy = request.cachePolicy();
  const URL url = request.url();
  if (policy & ASIDoNotReadFromCacheCachePolicy) return false;
  if (policy & ASIDontLoadCachePolicy) return true;
  if (!cachedResponseHeadersForURL(url) || !pathToCachedResponseDataForURL(url)) return false;
  if (policy & ASIOnlyLoadIfNotCachedCachePolicy) return true;
  if (request.complete() && (policy & ASIFallbackToCacheIfLoadFailsCachePolicy)) return true;
  if (policy & ASIAskServerIfModifiedWhenStaleCachePolicy) return isCachedDataCurrentForRequest(request);
  if ((policy & ASIAskServerIfModifiedCachePolicy) && request.responseHeaders())
    return isCachedDataCurrentForRequest(request);
  return false;
}

void ASIDownloadCache::storeResponseForRequest(ASIHTTPRequest& request, double maxAge) {
  const auto headers = request.responseHeaders();
  const int status = request.responseStatusCode();
  if (request.error() || !headers || (request.cachePolicy() & ASIDoNotWriteToCacheCachePolicy)) return;
  if (status != 200 && status != 301 && status != 302 && status != 303 && status != 307) return;
  if (shouldRespectCacheControlHeaders() && !serverAllowsResponseCachingForRequest(request)) return;
  const auto headerPath = pathToStoreCachedResponseHeadersForRequest(request);
  const auto dataPath = pathToStoreCachedResponseDataForRequest(request);
  const auto expiry = expiryDateForRequest(request, maxAge);
  const bool compressed = request.isResponseCompressed();
  const auto destination = request.downloadDestinationPath();
  const std::string body = destination ? std::string() : request.responseData();
  std::lock_guard lock(accessLock_);
  if (!headerPath || !dataPath) return;
  nlohmann::json json = nlohmann::json::object();
  for (const auto& [name, value] : headers->fields()) {
    if (compressed && equalsIgnoringCase(name, "Content-Encoding")) continue;  // the body is kept inflated
    if (isSecretHeader(name)) continue;
    json[name] = value;
  }
  if (compressed && !destination) json["Content-Length"] = std::to_string(body.size());
  if (expiry) json[kExpiresKey] = std::chrono::duration<double>(expiry->time_since_epoch()).count();
  json[kStatusKey] = status;
  // Cache files are the user's alone (the folders are too). The body goes first: headers stand only
  // beside a whole body, and a body that could not be written whole is not kept.
  bool stored = true;
  if (!destination) {
    stored = writePrivateFile(*dataPath, body);
  } else if (*destination != *dataPath) {
    std::error_code ec;
    std::filesystem::remove(*dataPath, ec);
    const int fd = openPrivateFile(*dataPath);
    stored = fd >= 0 && copyFileInto(*destination, fd);
    if (fd >= 0 && ::close(fd) != 0) stored = false;
  }
  if (stored && writePrivateFile(*headerPath, json.dump())) return;
  std::remove(headerPath->c_str());
  if (destination != dataPath) std::remove(dataPath->c_str());
}

void ASIDownloadCache::clearCachedResponsesForStoragePolicy(int storagePolicy) {
  std::lock_guard lock(accessLock_);
  if (!storagePath_) return;
  const std::string folder = storageFolder(storagePolicy);
  if (!isDirectory(folder)) return;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) throw HTTPEngineException("FailedToTraverseCacheDirectory", "Listing cache directory failed at path '" + folder + "'");
  for (const auto& entry : it) {
    std::error_code removeError;
    std::filesystem::remove_all(entry.path(), removeError);
    if (removeError)
      throw HTTPEngineException("FailedToRemoveCacheFile", "Failed to remove cached data at path '" + folder + "'");
  }
}

}  // namespace td
