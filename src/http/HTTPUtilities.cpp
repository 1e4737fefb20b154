#include "http/HTTPUtilities.h"

#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unicode/ucnv.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "http/HTTPHeaders.h"
#include "wire/NSDataAdditions.h"

namespace td {

std::string base64forData(std::string_view data) { return NSDataAdditions::base64Encoding(data); }

namespace {

int monthNumber(std::string_view name) {
  static const char* months[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  for (int m = 0; m < 12; ++m)
    if (equalsIgnoringCase(name, months[m])) return m + 1;
  return 0;
}

bool isDayName(std::string_view name) {
  static const char* days[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
  for (const char* d : days)
    if (equalsIgnoringCase(name, d)) return true;
  return false;
}

// Offset from UTC in minutes of a zone text, or nothing.
std::optional<int> zoneOffset(std::string_view zone) {
  if (equalsIgnoringCase(zone, "GMT") || equalsIgnoringCase(zone, "UTC") || equalsIgnoringCase(zone, "UT") ||
      zone == "Z")
    return 0;
  static const std::pair<const char*, int> named[] = {{"EST", -300}, {"EDT", -240}, {"CST", -360}, {"CDT", -300},
                                                      {"MST", -420}, {"MDT", -360}, {"PST", -480}, {"PDT", -420}};
  for (const auto& [name, offset] : named)
    if (equalsIgnoringCase(zone, name)) return offset;
  std::string_view rest = zone;
  if (rest.size() > 3 && (equalsIgnoringCase(rest.substr(0, 3), "GMT") || equalsIgnoringCase(rest.substr(0, 3), "UTC")))
    rest.remove_prefix(3);
  if (rest.empty() || (rest[0] != '+' && rest[0] != '-')) return std::nullopt;
  const int sign = rest[0] == '-' ? -1 : 1;
  rest.remove_prefix(1);
  std::string digits;
  for (char c : rest) {
    if (c == ':') continue;
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    digits.push_back(c);
  }
  int hours = 0, minutes = 0;
  if (digits.size() == 4) {
    hours = std::stoi(digits.substr(0, 2));
    minutes = std::stoi(digits.substr(2, 2));
  } else if (digits.size() == 1 || digits.size() == 2) {
    hours = std::stoi(digits);
  } else {
    return std::nullopt;
  }
  if (hours > 23 || minutes > 59) return std::nullopt;
  return sign * (hours * 60 + minutes);
}

bool allDigits(std::string_view s, std::size_t minLen, std::size_t maxLen) {
  if (s.size() < minLen || s.size() > maxLen) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

std::vector<std::string_view> splitSpaces(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > start) parts.push_back(text.substr(start, i - start));
  }
  return parts;
}

}  // namespace

std::optional<WallClock::time_point> dateFromRFC1123String(std::string_view text) {
  std::string_view rest = text;
  const bool hasComma = text.find(',') != std::string_view::npos;
  if (hasComma) {
    const auto comma = rest.find(',');
    if (!isDayName(trimWhitespace(rest.substr(0, comma))) || comma + 1 >= rest.size() || rest[comma + 1] != ' ')
      return std::nullopt;
    rest.remove_prefix(comma + 2);
  }
  // Seconds are expected exactly when the text splits into three parts at ":".
  std::size_t colons = 0;
  for (char c : text) colons += c == ':';
  const bool withSeconds = colons == 2;

  const auto parts = splitSpaces(rest);
  if (parts.size() != 5) return std::nullopt;
  if (!allDigits(parts[0], 1, 2) || !allDigits(parts[2], 4, 4)) return std::nullopt;
  const int day = std::stoi(std::string(parts[0]));
  const int month = monthNumber(parts[1]);
  const int year = std::stoi(std::string(parts[2]));
  if (month == 0 || day < 1 || day > 31) return std::nullopt;
  const std::string_view time = parts[3];
  int hour = 0, minute = 0, second = 0;
  if (withSeconds) {
    if (time.size() != 8 || time[2] != ':' || time[5] != ':' || !allDigits(time.substr(0, 2), 2, 2) ||
        !allDigits(time.substr(3, 2), 2, 2) || !allDigits(time.substr(6, 2), 2, 2))
      return std::nullopt;
    second = std::stoi(std::string(time.substr(6, 2)));
  } else if (time.size() != 5 || time[2] != ':' || !allDigits(time.substr(0, 2), 2, 2) ||
             !allDigits(time.substr(3, 2), 2, 2)) {
    return std::nullopt;
  }
  hour = std::stoi(std::string(time.substr(0, 2)));
  minute = std::stoi(std::string(time.substr(3, 2)));
  if (hour > 23 || minute > 59 || second > 60) return std::nullopt;
  const auto offset = zoneOffset(parts[4]);
  if (!offset) return std::nullopt;

  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  const std::time_t utc = ::timegm(&tm);
  // The wall clock counts nanoseconds (years 1678 to 2261): dates beyond it (a cookie that "never"
  // expires, 31 Dec 9999) saturate instead of overflowing.
  constexpr auto kLimit = std::chrono::duration_cast<std::chrono::seconds>(WallClock::duration::max()).count() - 86400;
  if (utc > kLimit) return WallClock::time_point::max();
  if (utc < -kLimit) return WallClock::time_point::min();
  return WallClock::from_time_t(utc) - std::chrono::minutes(*offset);
}

std::string rfc1123StringFromDate(WallClock::time_point when) {
  const std::time_t t = WallClock::to_time_t(when);
  std::tm tm{};
  ::gmtime_r(&t, &tm);
  static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[tm.tm_wday], tm.tm_mday,
                months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buffer;
}

namespace {

const std::unordered_map<std::string, std::string>& mimeTable() {
  static const std::unordered_map<std::string, std::string> table = [] {
    std::unordered_map<std::string, std::string> t;
    std::ifstream in("/etc/mime.types");
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream words(line);
      std::string type, extension;
      if (!(words >> type)) continue;
      while (words >> extension) t.emplace(toLower(extension), type);
    }
    return t;
  }();
  return table;
}

}  // namespace

std::optional<std::string> mimeTypeForFileAtPath(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  const auto slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0 && dot + 1 < name.size()) {
    const auto& table = mimeTable();
    if (auto it = table.find(toLower(name.substr(dot + 1))); it != table.end()) return it->second;
  }
  return std::string("application/octet-stream");
}

std::optional<std::string> ianaCharsetName(std::string_view name) {
  if (name.empty()) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  const std::string n(name);
  const char* canonical = ucnv_getCanonicalName(n.c_str(), "IANA", &status);
  if (U_FAILURE(status) || !canonical || !*canonical) return std::nullopt;
  return std::string(canonical);
}

namespace {

std::optional<std::string> convert(std::string_view bytes, const char* from, const char* to) {
  if (bytes.empty()) return std::string();
  UErrorCode status = U_ZERO_ERROR;
  UConverter* source = ucnv_open(from, &status);
  if (U_FAILURE(status)) return std::nullopt;
  UConverter* target = ucnv_open(to, &status);
  if (U_FAILURE(status)) {
    ucnv_close(source);
    return std::nullopt;
  }
  ucnv_setToUCallBack(source, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(target, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  std::string out(bytes.size() * 4 + 16, '\0');
  char* outBegin = out.data();
  char* outPtr = outBegin;
  const char* inPtr = bytes.data();
  std::array<UChar, 4096> pivot{};
  UChar* pivotSource = pivot.data();
  UChar* pivotTarget = pivot.data();
  ucnv_convertEx(target, source, &outPtr, outBegin + out.size(), &inPtr, bytes.data() + bytes.size(), pivot.data(),
                 &pivotSource, &pivotTarget, pivot.data() + pivot.size(), true, true, &status);
  ucnv_close(source);
  ucnv_close(target);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<std::size_t>(outPtr - outBegin));
  return out;
}

}  // namespace

std::optional<std::string> decodeText(std::string_view bytes, std::string_view encoding) {
  return convert(bytes, std::string(encoding).c_str(), "UTF-8");
}

std::optional<std::string> encodeText(std::string_view utf8, std::string_view encoding) {
  return convert(utf8, "UTF-8", std::string(encoding).c_str());
}

std::string globallyUniqueString() {
  std::array<unsigned char, 16> bytes{};
  if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
    static std::mutex mutex;
    static unsigned long long counter = 0;
    std::lock_guard lock(mutex);
    const auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      (++counter * 0x9E3779B97F4A7C15ull);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(seed >> ((i % 8) * 8));
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0f) | 0x40);
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3f) | 0x80);
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    out.push_back(digits[bytes[i] >> 4]);
    out.push_back(digits[bytes[i] & 15]);
  }
  return out;
}

std::string temporaryDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string out = (dir && *dir) ? dir : "/tmp";
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

bool writeAllBytes(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

int openPrivateFile(const std::string& path, bool exclusive) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (exclusive ? O_EXCL : 0), 0600);
  if (fd >= 0 && ::fchmod(fd, 0600) != 0) {
    const int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

bool writePrivateFile(const std::string& path, std::string_view data) {
  const int fd = openPrivateFile(path);
  if (fd < 0) return false;
  const bool written = writeAllBytes(fd, data.data(), data.size());
  const int err = errno;
  if (::close(fd) != 0 || !written) {
    if (!written) errno = err;
    return false;
  }
  return true;
}

bool copyFileInto(const std::string& from, int to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  std::vector<char> buffer(262144);
  bool ok = true;
  while (true) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    if (!writeAllBytes(to, buffer.data(), static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
  }
  const int err = errno;
  ::close(in);
  errno = err;
  return ok;
}

}  // namespace td
