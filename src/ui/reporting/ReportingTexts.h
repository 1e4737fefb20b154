#pragma once
// Captions of the reporting windows in the language of the moment.

#include <QString>

#include "platform/AppContext.h"
#include "platform/LanguageString.h"

namespace td {

inline QString reportingText(const char* key) {
  return QString::fromStdString(
      LanguageString::stringforSelectedLanguage(AppContext::current()->selectedLanguage(), key));
}

}  // namespace td
