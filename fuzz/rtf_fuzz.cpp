// Fuzz target: the RTF reader. Whatever the document, the text is valid UTF-8, the runs lie inside
// it in order, and a text written by the client's own RTF writer reads back as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "chat/RKReader.h"
#include "platform/Log.h"
#include "wire/Formatter.h"
#include "wire/MessageBase.h"
#include "wire/TBXML.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  td::log::setLevel(td::log::Level::Off);
  return 0;
}

namespace {

template <class Runs>
void checkRuns(const Runs& runs, std::int32_t length) {
  if (runs.empty()) std::abort();
  std::int32_t at = 0;
  for (const auto& run : runs) {
    if (run.start < at || run.end < run.start || run.end > length) std::abort();
    at = run.start;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const td::RKReader::Result read = td::RKReader::read(input);
  if (!td::TBXML::isValidUtf8(read.text)) std::abort();
  const auto length = static_cast<std::int32_t>(td::MessageBase::utf16Length(read.text));
  checkRuns(read.fontRuns, length);
  checkRuns(read.paragraphRuns, length);
  if (read.text.find('\r') == std::string::npos) {
    if (td::RKReader::ConvertRTFtoString(td::Formatter::ConvertStringtoRTF(read.text)) != read.text + "\n") std::abort();
  }
  return 0;
}
