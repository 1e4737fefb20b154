#include "session/PriceFeed.h"

#include <array>
#include <charconv>
#include <cmath>

#include "wire/Formatter.h"
#include "wire/Separators.h"

namespace td {
namespace {

constexpr std::string_view kDepthPrefix = "MD_";
constexpr std::string_view kStatusPrefix = "IS;";
constexpr std::string_view kIgnoredPrefix = "*#bm#*:";

// The value written with "%f" and read back: the nearest double to the value rounded to six
// decimals.
double sixDecimals(double value) {
  if (!std::isfinite(value)) return value;
  const double scaled = value * 1e6;
  if (std::fabs(scaled) >= 9.0e15) return value;  // beyond the integers a double holds exactly
  return std::round(scaled) / 1e6;
}

void splitLevels(std::string_view text, std::vector<std::string>& out) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('|', start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) out.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// "yyyyMMddHHmmss" re-written as "MM/dd/yyyy HH:mm:ss" without a date formatter, for the plain
// case of a valid date and time of the years 1900 to 2199. Nothing for anything else, which the
// formatter then handles.
std::optional<std::string> fastDisplayTime(std::string_view t) {
  if (t.size() != 14) return std::nullopt;
  int v[14];
  for (std::size_t i = 0; i < 14; ++i) {
    if (t[i] < '0' || t[i] > '9') return std::nullopt;
    v[i] = t[i] - '0';
  }
  const int year = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
  const int month = v[4] * 10 + v[5];
  const int day = v[6] * 10 + v[7];
  const int hour = v[8] * 10 + v[9];
  const int minute = v[10] * 10 + v[11];
  const int second = v[12] * 10 + v[13];
  if (year < 1900 || year > 2199 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) {
    return std::nullopt;
  }
  static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kDays[month - 1] || (month == 2 && day == 29 && !leap)) return std::nullopt;
  std::string out(19, ' ');
  out[0] = t[4], out[1] = t[5], out[2] = '/', out[3] = t[6], out[4] = t[7], out[5] = '/';
  out[6] = t[0], out[7] = t[1], out[8] = t[2], out[9] = t[3];
  out[11] = t[8], out[12] = t[9], out[13] = ':', out[14] = t[10], out[15] = t[11], out[16] = ':';
  out[17] = t[12], out[18] = t[13];
  return out;
}

}  // namespace

FeedLineKind classifyFeedLine(std::string_view line) {
  if (line.starts_with(kDepthPrefix)) return FeedLineKind::MarketDepth;
  if (line.starts_with(kStatusPrefix)) return FeedLineKind::InstrumentStatus;
  if (line.starts_with(kIgnoredPrefix)) return FeedLineKind::Ignored;
  return FeedLineKind::Price;
}

std::string_view instrumentStatusPayload(std::string_view line) {
  const std::size_t first = line.find(';');
  if (first == std::string_view::npos) return {};
  std::string_view rest = line.substr(first + 1);
  const std::size_t second = rest.find(';');
  return second == std::string_view::npos ? rest : rest.substr(0, second);
}

std::optional<double> leadingDouble(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                             text[i] == '\f' || text[i] == '\v')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size()) return std::nullopt;
  const char c = text[i];
  if (!((c >= '0' && c <= '9') || c == '.')) return std::nullopt;
  double value = 0;
  const char* begin = text.data() + i;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(begin, end, value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return std::nullopt;
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: read as the nearest representable end.
    value = std::strtod(std::string(begin, static_cast<std::size_t>(result.ptr - begin)).c_str(), nullptr);
  }
  return negative ? -value : value;
}

PriceLineError decodePriceLine(std::string_view line, PriceUpdate& out) {
  // Fields 0 to 9 and the last one are all that is read; the rest are only counted.
  std::array<std::string_view, 10> fields;
  std::string_view last;
  std::size_t count = 0;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = line.find(MessageInnerTagSeperator, start);
    const bool final = end == std::string_view::npos;
    if (final) end = line.size();
    const std::string_view field = line.substr(start, end - start);
    if (count < fields.size()) fields[count] = field;
    last = field;
    ++count;
    if (final) break;
    start = end + 1;
  }
  if (count < 4) return PriceLineError::TooFewFields;
  const std::optional<double> base = leadingDouble(fields[2]);
  if (!base) return PriceLineError::BaseNotNumeric;

  const double decimals = leadingDouble(last).value_or(0.0);
  const double scale = std::pow(10.0, decimals);

  out = PriceUpdate{};
  out.ItemCode.assign(fields[0]);
  if (auto fast = fastDisplayTime(fields[1])) {
    out.Time = std::move(*fast);
  } else {
    out.Time = Formatter::formatDateandTimeFromString(fields[1], AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT)
                   .value_or(std::string());
  }
  double* const targets[7] = {&out.Last, &out.Bid, &out.Ask, &out.High, &out.Low, &out.Open, &out.PreviousClose};
  const std::size_t offsets = std::min<std::size_t>(count - 1, 10);  // the last field is the scale
  if (!std::isfinite(*base)) return PriceLineError::NotFinite;
  for (std::size_t i = 3; i < offsets; ++i) {
    const std::optional<double> offset = leadingDouble(fields[i]);
    *targets[i - 3] = offset ? sixDecimals(sixDecimals(*offset / scale) + *base) : 0.0;
    if (!std::isfinite(*targets[i - 3])) return PriceLineError::NotFinite;
  }
  return PriceLineError::None;
}

std::optional<MarketDepth> decodeMarketDepth(std::string_view text) {
  const std::size_t first = text.find(';');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = text.find(';', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  std::size_t third = text.find(';', second + 1);
  if (third == std::string_view::npos) third = text.size();
  MarketDepth depth;
  depth.code.assign(text.substr(0, first));
  splitLevels(text.substr(first + 1, second - first - 1), depth.buy);
  splitLevels(text.substr(second + 1, third - second - 1), depth.sell);
  return depth;
}

}  // namespace td
