#include "ui/language.h"

#include <clocale>

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
  translations->SetLanguage(wxLANGUAGE_DEFAULT);
  translations->AddStdCatalog();
}

}  // namespace qzn
