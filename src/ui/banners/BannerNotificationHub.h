#pragma once
// The banner library's own named notifications: "presented", "dismiss every banner" and
// "activated with type". Posts are delivered synchronously, on the posting (main) thread, to every
// observer of the name; an observer may add or remove observers, itself included, while a post is
// being delivered.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace td {

class BannerNotificationHub {
 public:
  using Token = std::uint64_t;
  // The post's object: the activation type for "activated with type", nothing for the others.
  using Observer = std::function<void(std::optional<std::int64_t> object)>;

  // The process-wide hub every record, banner and centre of the library uses.
  static BannerNotificationHub& shared();

  Token addObserver(std::string name, Observer observer);
  void removeObserver(Token token);
  void post(const std::string& name, std::optional<std::int64_t> object = std::nullopt);

  std::size_t observerCount() const { return observers_.size(); }

 private:
  struct Entry {
    std::string name;
    Observer observer;
  };
  std::map<Token, Entry> observers_;
  Token next_ = 1;
};

}  // namespace td
