#pragma once
// Localised texts of the windows, looked up by 4-digit keys ("0037") in the strings table of the
// selected language.
//
// Tables: <strings root>/en/Localizable.strings and <strings root>/zh-Hans/Localizable.strings, the
// strings root being Resources::directory()/strings. The format is described in
// resources/strings/README.md. A table is read on first use and kept for the rest of the run.
// Safe to call from any thread.

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace td {

class LanguageString {
 public:
  enum Language : int { English = 0, SimplifiedChinese = 1 };

  explicit LanguageString(std::filesystem::path stringsRoot);

  // The process-wide instance, rooted at Resources::directory()/strings on first use.
  static LanguageString& shared();

  // Language 1 reads the "zh-Hans" table, every other index the "en" table. A key missing from the
  // table gives the key itself; a missing language folder gives the empty text.
  static std::string stringforSelectedLanguage(int language, std::string_view key);
  // Pads a key of 1 to 3 characters with leading zeros to 4 ("37" -> "0037"); any other length,
  // the empty text included, comes back unchanged.
  static std::string setLanguageKey(std::string_view key);

  std::string lookup(int language, std::string_view key) const;

  static constexpr const char* kTableFileName = "Localizable.strings";

 private:
  struct Table {
    bool folderFound = false;
    std::unordered_map<std::string, std::string> texts;
  };
  std::shared_ptr<const Table> table(const std::string& folder) const;
  std::shared_ptr<const Table> loadTable(const std::string& folder) const;

  const std::filesystem::path root_;
  mutable std::mutex mutex_;
  mutable std::map<std::string, std::shared_ptr<const Table>> cache_;
};

}  // namespace td
