// The program entry: one set database for the whole run, the four windows in
// a fixed order, the message loop, then everything freed in reverse.

#include "app/Main.h"
#include "app/Translations.h"
#include "database/AtomicFile.h"
#include "dialogs/Description.h"
#include "dialogs/SetC.h"
#include "testview/Collections.h"

#include <QApplication>

int main(int argc, char** argv) {
  IgnoreFileSizeSignal();
  GlobalDB = new TPropDB;
  {
    // Also sets the process locale, so that system error texts come in the
    // user's language.
    QApplication App(argc, argv);
    LoadQtTranslations();
    QApplication::setApplicationName(QStringLiteral("Brimsett"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    // Lets the desktop match the window to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brimsett.Brimsett"));
    QApplication::setWindowIcon(AppIcon());

    auto* MainForm = new TMainForm(GlobalDB, QApplication::arguments().mid(1));
    // Children of the main window, so that they open centred over it.
    auto* FormCollections = new TFormCollections(MainForm);
    auto* FormProp = new TFormProp(MainForm);
    auto* FormType = new TFormType(MainForm);
    MainForm->SetDialogs({FormCollections, FormProp, FormType});
    MainForm->LoadListCountryLang();
    MainForm->show();
    QApplication::exec();

    delete MainForm; // takes the test view and the dialogs with it
  }
  delete GlobalDB;
  GlobalDB = nullptr;
  return 0;
}
