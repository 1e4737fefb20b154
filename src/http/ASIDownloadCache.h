#pragma once
// Responses kept on disk so that a later GET of the same URL can be answered without the network, or
// revalidated by a conditional request. Each cached URL has a header file (JSON: the response's
// header fields, its expiry and status code) and a body file, in "SessionStore" (emptied when the
// session is cleared and whenever a cache takes its folder) or "PermanentStore". The shared cache
// lives under $XDG_CACHE_HOME/tarnwickdesk/. Files and folders are the user's alone (modes 0600 and
// 0700), and the headers that carry secrets (Set-Cookie, Authorization, Proxy-Authorization) are never
// written. A response whose Cache-Control names no-cache, no-store or private (or whose Pragma names
// no-cache) is not stored.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "http/ASICacheDelegate.h"

namespace td {

inline constexpr const char* sessionCacheFolder = "SessionStore";
inline constexpr const char* permanentCacheFolder = "PermanentStore";

class ASIDownloadCache : public ASICacheDelegate {
 public:
  ASIDownloadCache();

  // The one shared cache (made on first use) in $XDG_CACHE_HOME/tarnwickdesk/HTTPCache.
  static std::shared_ptr<ASIDownloadCache> sharedCache();
  // MD5 of the URL (one trailing "/" removed), as 32 upper-case hexadecimal digits.
  static std::optional<std::string> keyForURL(const URL& url);
  static bool serverAllowsResponseCachingForRequest(ASIHTTPRequest& request);
  static const std::vector<std::string>& fileExtensionsToHandleAsHTML();

  std::optional<std::string> storagePath() const;
  // Throws HTTPEngineException ("FileExistsAtCachePath", "FailedToCreateCacheDirectory") when the
  // folders cannot be made.
  void setStoragePath(const std::string& path);
  void setDefaultCachePolicy(int policy);
  bool shouldRespectCacheControlHeaders() const;
  void setShouldRespectCacheControlHeaders(bool respect);

  int defaultCachePolicy() const override;
  std::optional<WallClock::time_point> expiryDateForRequest(ASIHTTPRequest& request, double maxAge) override;
  void updateExpiryForRequest(ASIHTTPRequest& request, double maxAge) override;
  bool canUseCachedDataForRequest(ASIHTTPRequest& request) override;
  void removeCachedDataForRequest(ASIHTTPRequest& request) override;
  bool isCachedDataCurrentForRequest(ASIHTTPRequest& request) override;
  void storeResponseForRequest(ASIHTTPRequest& request, double maxAge) override;
  void removeCachedDataForURL(const URL& url) override;
  std::optional<HTTPHeaders> cachedResponseHeadersForURL(const URL& url) override;
  std::optional<std::string> cachedResponseDataForURL(const URL& url) override;
  std::optional<std::string> pathToCachedResponseDataForURL(const URL& url) override;
  std::optional<std::string> pathToCachedResponseHeadersForURL(const URL& url) override;
  std::optional<std::string> pathToStoreCachedResponseHeadersForRequest(ASIHTTPRequest& request) override;
  std::optional<std::string> pathToStoreCachedResponseDataForRequest(ASIHTTPRequest& request) override;
  // Throws HTTPEngineException ("FailedToTraverseCacheDirectory", "FailedToRemoveCacheFile").
  void clearCachedResponsesForStoragePolicy(int storagePolicy) override;

  std::optional<std::string> pathToFile(const std::string& fileName) const;

 private:
  static std::string bodyExtension(const URL& url);
  // The folder of a storage policy (storage path set, lock held).
  std::string storageFolder(int storagePolicy) const;
  // Where the request's response headers (or its body) are to be stored.
  std::optional<std::string> pathToStoreForRequest(ASIHTTPRequest& request, bool body);
  std::optional<HTTPHeaders> readHeaders(const std::string& path) const;

  mutable std::recursive_mutex accessLock_;
  std::optional<std::string> storagePath_;
  int defaultCachePolicy_ = ASIAskServerIfModifiedWhenStaleCachePolicy;
  bool shouldRespectCacheControlHeaders_ = true;
};

}  // namespace td
