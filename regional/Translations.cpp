#include "regional/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

QTranslator* Install(const QLocale& Locale, const QString& Name, const QString& Folder) {
  auto* Translator = new QTranslator(QCoreApplication::instance());
  if (!Translator->load(Locale, Name, QStringLiteral("_"), Folder) ||
      !QCoreApplication::installTranslator(Translator)) {
    delete Translator;
    return nullptr;
  }
  return Translator;
}

} // namespace

QTranslator* LoadQtTranslations(const QLocale& Locale) {
  return Install(Locale, QStringLiteral("qtbase"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

QTranslator* LoadOwnTranslations(const QLocale& Locale) {
  // Relative to the program, so that a staging prefix and /usr/local work.
  return Install(Locale, QStringLiteral("brimsett"),
                 QCoreApplication::applicationDirPath() +
                     QStringLiteral("/../share/brimsett/translations"));
}

void LoadTranslations() {
  LoadQtTranslations();
  LoadOwnTranslations();
}
