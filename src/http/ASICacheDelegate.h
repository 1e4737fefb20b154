#pragma once
// The operations through which a request uses its download cache, and the cache policy flags.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "http/HTTPHeaders.h"
#include "http/HTTPUtilities.h"
#include "http/URL.h"

namespace td {

class ASIHTTPRequest;

enum ASICachePolicy : int {
  ASIUseDefaultCachePolicy = 0,
  ASIDoNotReadFromCacheCachePolicy = 1,
  ASIDoNotWriteToCacheCachePolicy = 2,
  ASIAskServerIfModifiedWhenStaleCachePolicy = 4,
  ASIAskServerIfModifiedCachePolicy = 8,
  ASIOnlyLoadIfNotCachedCachePolicy = 16,
  ASIDontLoadCachePolicy = 32,
  ASIFallbackToCacheIfLoadFailsCachePolicy = 64,
};

enum ASICacheStoragePolicy : int {
  ASICacheForSessionDurationCacheStoragePolicy = 0,
  ASICachePermanentlyCacheStoragePolicy = 1,
};

class ASICacheDelegate {
 public:
  virtual ~ASICacheDelegate() = default;

  virtual int defaultCachePolicy() const = 0;
  virtual std::optional<WallClock::time_point> expiryDateForRequest(ASIHTTPRequest& request, double maxAge) = 0;
  virtual void updateExpiryForRequest(ASIHTTPRequest& request, double maxAge) = 0;
  virtual bool canUseCachedDataForRequest(ASIHTTPRequest& request) = 0;
  virtual void removeCachedDataForRequest(ASIHTTPRequest& request) = 0;
  virtual bool isCachedDataCurrentForRequest(ASIHTTPRequest& request) = 0;
  virtual void storeResponseForRequest(ASIHTTPRequest& request, double maxAge) = 0;
  virtual void removeCachedDataForURL(const URL& url) = 0;
  virtual std::optional<HTTPHeaders> cachedResponseHeadersForURL(const URL& url) = 0;
  virtual std::optional<std::string> cachedResponseDataForURL(const URL& url) = 0;
  virtual std::optional<std::string> pathToCachedResponseDataForURL(const URL& url) = 0;
  virtual std::optional<std::string> pathToCachedResponseHeadersForURL(const URL& url) = 0;
  virtual std::optional<std::string> pathToStoreCachedResponseHeadersForRequest(ASIHTTPRequest& request) = 0;
  virtual std::optional<std::string> pathToStoreCachedResponseDataForRequest(ASIHTTPRequest& request) = 0;
  virtual void clearCachedResponsesForStoragePolicy(int storagePolicy) = 0;
};

}  // namespace td
