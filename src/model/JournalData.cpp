#include "model/JournalData.h"

#include "platform/DateFormat.h"

namespace td {

std::string JournalData::journalTime(Date when) {
  return DateFormat::cached("MMM dd, yyyy HH:mm:ss", DateFormat::Zone::Utc)->format(when);
}

std::string JournalData::getLoginJournalData(int kind, const std::string& host, std::int32_t port,
                                             const std::string& userName, Date when) {
  const char* text = nullptr;
  switch (kind) {
    case 0: text = "Trying Login to "; break;
    case 1: text = "Login Success to "; break;
    case 2: text = "Connected to "; break;
    default: return "";
  }
  return journalTime(when) + kSeparator + text + host + ":" + std::to_string(port) + " with username " + userName;
}

}  // namespace td
