#pragma once

#include <QLocale>

class QTranslator;

// Installs Qt's own texts (file dialogs, standard buttons, system error
// texts) in the language of Locale, from the translations that came with Qt.
// Returns the installed translator, owned by the application, or nullptr when
// there is none for that language (the texts then stay English).
QTranslator* LoadQtTranslations(const QLocale& Locale = QLocale());
