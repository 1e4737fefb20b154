// The text helpers of MessageCracker and MessageChecker on arbitrary text and markers (the first byte
// splits the input into markers and text, the second gives the chart count): no crash, every view lies
// inside the text where it should, and tag removal never lengthens the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "wire/MessageChecker.h"
#include "wire/MessageCracker.h"

namespace {

bool inside(std::string_view part, std::string_view whole) {
  return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t split = data[0] % 16 < rest.size() ? data[0] % 16 : rest.size();
  const std::string_view markers = rest.substr(0, split);
  const std::string_view text = rest.substr(split);
  const std::string_view start = markers.substr(0, markers.size() / 2);
  const std::string_view end = markers.substr(markers.size() / 2);

  if (!inside(td::MessageCracker::GetXML(text, markers), text)) std::abort();
  if (const auto between = td::MessageCracker::stringBetweenString(text, start, end)) {
    if (!inside(*between, text) || between->data() != text.data() + text.find(start)) std::abort();
  }
  const std::string chart = td::MessageCracker::GetRequiredChartData(text, data[1] % 8);
  if (chart.size() > text.size() + 5) std::abort();
  if (!inside(td::MessageChecker::CheckMessage(text), text)) std::abort();
  if (td::MessageChecker::removeTags(text).size() > text.size()) std::abort();
  (void)td::MessageChecker::flattenHTML(text);
  return 0;
}
