#include "ui/language.h"

#include <clocale>
#include <string_view>

#include <wx/intl.h>
#include <wx/translation.h>
#include <wx/uilocale.h>

namespace qzn {

void SetUpDesktopLanguage() {
  // The toolkit leaves the process in the C locale; the desktop's own
  // dialogs translate themselves only once the user's locale is set. A
  // locale the system does not have leaves the C one.
  wxUILocale::UseDefault();
  std::setlocale(LC_NUMERIC, "C");
  // The toolkit's catalogue for the user's language (none for English or C:
  // the texts are then its own). The translations object is the toolkit's
  // to keep and replaces any earlier one.
  auto* translations = new wxTranslations;
  wxTranslations::Set(translations);
  // The messages' locale in effect decides, as it does for every other
  // program: LC_ALL=C over LANG=zh_CN.UTF-8 means untranslated texts,
  // while the toolkit on its own would take the language from LANG.
  const char* messages = std::setlocale(LC_MESSAGES, nullptr);
  const std::string_view m = messages ? messages : "C";
  if (m == "C" || m == "POSIX" || m.substr(0, 2) == "C.") return;
  translations->SetLanguage(wxLANGUAGE_DEFAULT);
  translations->AddStdCatalog();
}

}  // namespace qzn
