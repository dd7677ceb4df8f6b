// The program entry: one set database for the whole run, the four windows in
// a fixed order, the message loop, then everything freed in reverse.

#include "app/Main.h"
#include "dialogs/Description.h"
#include "dialogs/SetC.h"
#include "testview/Collections.h"

#include <QApplication>

int main(int argc, char** argv) {
  GlobalDB = new TPropDB;
  {
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brimsett"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    // Lets the desktop match the window to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brimsett.Brimsett"));
    QApplication::setWindowIcon(AppIcon());

    auto* MainForm = new TMainForm(GlobalDB, QApplication::arguments().mid(1));
    // Children of the main window, so that they open centred over it.
    FormCollections = new TFormCollections(MainForm);
    FormProp = new TFormProp(MainForm);
    FormType = new TFormType(MainForm);
    MainForm->LoadListCountryLang();
    MainForm->show();
    QApplication::exec();

    delete MainForm; // takes the test view and the dialogs with it
    FormCollections = nullptr;
    FormProp = nullptr;
    FormType = nullptr;
  }
  delete GlobalDB;
  GlobalDB = nullptr;
  return 0;
}
