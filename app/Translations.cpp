#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QTranslator* LoadQtTranslations(const QLocale& Locale) {
  auto* Translator = new QTranslator(QCoreApplication::instance());
  if (!Translator->load(Locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(Translator)) {
    delete Translator;
    return nullptr;
  }
  return Translator;
}
