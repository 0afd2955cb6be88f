// The user's language for what the toolkit and the desktop show: stock
// buttons (OK, Cancel, Yes, No), the file, print and page set-up dialogs.
// The program's own texts are fixed Chinese and do not depend on it.
#pragma once

namespace qzn {

// Takes the locale from the environment (LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG) and loads the toolkit's translations for it; a messages locale of
// C or POSIX (LC_ALL=C) keeps the toolkit's own texts whatever LANG says. Numbers keep the C
// locale whatever the user's is, so a '.' stays the decimal point in every
// file and field. Safe to call again after the environment changed.
void SetUpDesktopLanguage();

}  // namespace qzn
