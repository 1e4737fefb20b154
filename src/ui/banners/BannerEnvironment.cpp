#include "ui/banners/BannerEnvironment.h"

namespace td {

namespace {
BannerEnvironment& environmentSlot() {
  static BannerEnvironment environment;
  return environment;
}
}  // namespace

void installBannerEnvironment(BannerEnvironment environment) { environmentSlot() = std::move(environment); }

const BannerEnvironment& bannerEnvironment() { return environmentSlot(); }

MainQueue* bannerQueue() {
  MainQueue* queue = environmentSlot().queue;
  return queue ? queue : MainQueue::instance();
}

std::string bannerLocalizedString(const std::string& key) {
  const auto& localize = environmentSlot().localizedString;
  if (!localize) return key;
  std::string text = localize(key);
  return text.empty() ? key : text;
}

}  // namespace td
