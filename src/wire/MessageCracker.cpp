#include "wire/MessageCracker.h"

#include <vector>

#include "platform/Log.h"

namespace td {
namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

std::optional<std::string_view> MessageCracker::GetMessageValue(std::string_view text, std::string_view key) {
  const std::size_t at = key.empty() ? std::string_view::npos : text.find(key);
  if (at == std::string_view::npos) {
    // The key only, never the text: a field may hold a password.
    TD_LOG_WARN("GetMessageValue Exception: key \"" + std::string(key) + "\" not found");
    return std::nullopt;
  }
  return text.substr(at + key.size());
}

std::string_view MessageCracker::GetXML(std::string_view text, std::string_view openingMarker) {
  if (openingMarker.empty()) return {};
  const std::string closingMarker = "</" + std::string(openingMarker.substr(1));
  const std::size_t open = text.find(openingMarker);
  const std::size_t close = text.find(closingMarker);
  if (open == std::string_view::npos || close == std::string_view::npos) return {};
  const std::size_t start = open + openingMarker.size();
  if (close < start) return {};
  return text.substr(start, close - start);
}

std::optional<std::string_view> MessageCracker::stringBetweenString(std::string_view text, std::string_view startMarker,
                                                                    std::string_view endMarker) {
  const std::size_t start = text.find(startMarker);
  const std::size_t end = text.find(endMarker);
  if (start == std::string_view::npos || end == std::string_view::npos || end < start) return std::nullopt;
  return text.substr(start, end - start);
}

std::string MessageCracker::GetRequiredChartData(std::string_view text, std::uint32_t noOfDataRequired) {
  constexpr std::string_view kEnd = "<END>";
  const std::size_t headerEnd = text.find('>');
  if (headerEnd == std::string_view::npos) return std::string(text);
  const std::string_view header = text.substr(0, headerEnd + 1);
  std::string_view body = text.substr(headerEnd + 1);
  if (body.size() >= kEnd.size() && body.substr(body.size() - kEnd.size()) == kEnd) {
    body.remove_suffix(kEnd.size());
  }
  std::string result(header);
  bool firstRow = true;
  for (const std::string_view row : split(body, '#')) {
    const std::vector<std::string_view> values = split(row, ',');
    if (values.size() <= noOfDataRequired) return std::string(text);
    if (!firstRow) result += '#';
    firstRow = false;
    for (std::size_t i = values.size() - noOfDataRequired; i < values.size(); ++i) {
      result += values[i];
      if (i + 1 < values.size()) result += ',';
    }
  }
  result += kEnd;
  return result;
}

}  // namespace td
