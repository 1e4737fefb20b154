// Response heads as the transport hands them over, line by line, and the header values the engine
// reads from them: lengths, Keep-Alive, content types, dates, cookies and challenges.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "http/HTTPAuthentication.h"
#include "http/HTTPCookie.h"
#include "http/HTTPHeaders.h"
#include "http/HTTPUtilities.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  td::HTTPResponseHeadParser parser;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (parser.addLine(text.substr(start, end - start + 1))) {
      const auto& head = parser.head();
      for (const auto& [name, value] : head.headers.fields()) {
        td::parseContentLength(value);
        td::parseKeepAlive(value);
        td::parseContentType(value);
        td::dateFromRFC1123String(value);
        td::parseChallenges(value);
      }
      td::HTTPCookie::cookiesWithSetCookieValues(head.setCookies, td::URL::URLWithString("http://example.com/a/b"));
      td::HTTPAuthentication::fromResponse(head.headers, false);
    }
    start = end + 1;
  }
  return 0;
}
