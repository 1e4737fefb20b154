#pragma once
// A settings store on a file of its own in a scratch folder that goes with it (the store writes
// itself back when it is destroyed, so the folder is removed after the store).

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/Defaults.h"

namespace td::test {

class ScratchSettings {
 public:
  ScratchSettings() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwickdesk-settings-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    store_ = std::make_shared<Defaults>(folder_ / "defaults.json");
  }
  ~ScratchSettings() {
    store_.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  ScratchSettings(const ScratchSettings&) = delete;
  ScratchSettings& operator=(const ScratchSettings&) = delete;

  Defaults& operator*() const { return *store_; }
  Defaults* operator->() const { return store_.get(); }
  const std::shared_ptr<Defaults>& shared() const { return store_; }
  const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
  std::shared_ptr<Defaults> store_;
};

}  // namespace td::test
