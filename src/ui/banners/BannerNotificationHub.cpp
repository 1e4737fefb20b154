#include "ui/banners/BannerNotificationHub.h"

#include <vector>

namespace td {

BannerNotificationHub& BannerNotificationHub::shared() {
  static BannerNotificationHub hub;
  return hub;
}

BannerNotificationHub::Token BannerNotificationHub::addObserver(std::string name, Observer observer) {
  const Token token = next_++;
  observers_.emplace(token, Entry{std::move(name), std::move(observer)});
  return token;
}

void BannerNotificationHub::removeObserver(Token token) { observers_.erase(token); }

void BannerNotificationHub::post(const std::string& name, std::optional<std::int64_t> object) {
  // Snapshot the tokens first: observers may come and go while the post is delivered. One that
  // was removed before its turn is skipped; one added during the post does not see it.
  std::vector<Token> tokens;
  for (const auto& [token, entry] : observers_) {
    if (entry.name == name) tokens.push_back(token);
  }
  for (Token token : tokens) {
    auto it = observers_.find(token);
    if (it == observers_.end()) continue;
    Observer call = it->second.observer;  // a copy: the observer may remove itself while running
    call(object);
  }
}

}  // namespace td
