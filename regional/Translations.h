#pragma once

#include <QLocale>

class QTranslator;

// Installs Qt's own texts (file dialogs, standard buttons, system error
// texts) in the language of Locale, from the translations that came with Qt.
// Returns the installed translator, owned by the application, or nullptr when
// there is none for that language (the texts then stay English).
QTranslator* LoadQtTranslations(const QLocale& Locale = QLocale());

// Installs our own catalogue for Locale from share/brimsett/translations next
// to the program's bin/ (the build tree has the same layout). nullptr when
// there is none for that language: the English texts stand.
QTranslator* LoadOwnTranslations(const QLocale& Locale = QLocale());

// Both of the above, for the locale the program runs in.
void LoadTranslations();
