#include "ui/controls/Captions.h"

#include "platform/AppContext.h"
#include "platform/LanguageString.h"

namespace td {

QString caption(std::string_view key) {
  return QString::fromStdString(
      LanguageString::stringforSelectedLanguage(AppContext::current()->selectedLanguage(), key));
}

}  // namespace td
