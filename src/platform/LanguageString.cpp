#include "platform/LanguageString.h"

#include "platform/Log.h"
#include "platform/Resources.h"

#include <fstream>
#include <sstream>

namespace td {
namespace {

// "\n", "\t" and "\\" stand for a line break, a tab and a backslash; any other backslash is kept.
std::string unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[i + 1];
      if (next == 'n' || next == 't' || next == '\\') {
        out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace

LanguageString::LanguageString(std::filesystem::path stringsRoot) : root_(std::move(stringsRoot)) {}

LanguageString& LanguageString::shared() {
  static LanguageString* instance = new LanguageString(Resources::directory() / "strings");
  return *instance;
}

std::string LanguageString::stringforSelectedLanguage(int language, std::string_view key) {
  return shared().lookup(language, key);
}

std::string LanguageString::setLanguageKey(std::string_view key) {
  if (key.empty() || key.size() > 3) return std::string(key);
  return std::string(4 - key.size(), '0') + std::string(key);
}

std::string LanguageString::lookup(int language, std::string_view key) const {
  const auto t = table(language == SimplifiedChinese ? "zh-Hans" : "en");
  if (!t->folderFound) return {};
  const auto it = t->texts.find(std::string(key));
  return it == t->texts.end() ? std::string(key) : it->second;
}

std::shared_ptr<const LanguageString::Table> LanguageString::table(const std::string& folder) const {
  std::lock_guard lock(mutex_);
  auto& slot = cache_[folder];
  if (!slot) slot = loadTable(folder);
  return slot;
}

std::shared_ptr<const LanguageString::Table> LanguageString::loadTable(const std::string& folder) const {
  auto t = std::make_shared<Table>();
  const auto dir = root_ / folder;
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    TD_LOG_WARN("Strings: no folder " + dir.string());
    return t;
  }
  t->folderFound = true;
  const auto file = dir / kTableFileName;
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    TD_LOG_WARN("Strings: cannot read " + file.string());
    return t;
  }
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    const auto tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) {
      TD_LOG_WARN("Strings: " + file.string() + ":" + std::to_string(lineNo) + ": no key and tab, line ignored");
      continue;
    }
    auto [it, inserted] = t->texts.insert_or_assign(line.substr(0, tab), unescape(std::string_view(line).substr(tab + 1)));
    if (!inserted) {
      TD_LOG_WARN("Strings: " + file.string() + ":" + std::to_string(lineNo) + ": key " + it->first +
                  " repeated, the later text wins");
    }
  }
  return t;
}

}  // namespace td
