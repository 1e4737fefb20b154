#pragma once
// Journal lines: a time and a message joined by "#$#". The journal keeps them newest last and shows
// them newest first.

#include <chrono>
#include <cstdint>
#include <string>

namespace td {

class JournalData {
 public:
  using Date = std::chrono::system_clock::time_point;

  static constexpr const char* kSeparator = "#$#";

  // The time of a journal line: GMT, "MMM dd, yyyy HH:mm:ss", en_US (the calendar year).
  static std::string journalTime(Date when);

  // Kind 0 "Trying Login to", 1 "Login Success to", 2 "Connected to" host:port "with username"
  // user; any other kind gives "".
  static std::string getLoginJournalData(int kind, const std::string& host, std::int32_t port,
                                         const std::string& userName, Date when);
};

}  // namespace td
