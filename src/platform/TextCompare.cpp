#include "platform/TextCompare.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>

#include <memory>

namespace td {

int localizedCompare(std::string_view a, std::string_view b) {
  // One collator per thread: a collator is not shared between threads.
  thread_local const std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(icu::Locale("en_US"), status));
    return U_SUCCESS(status) ? std::move(made) : nullptr;
  }();
  if (collator) {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = collator->compareUTF8(
        icu::StringPiece(a.data(), static_cast<std::int32_t>(a.size())),
        icu::StringPiece(b.data(), static_cast<std::int32_t>(b.size())), status);
    if (U_SUCCESS(status)) return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
  }
  return a.compare(b) < 0 ? -1 : a == b ? 0 : 1;
}

}  // namespace td
