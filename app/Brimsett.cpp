// The program entry: one set database for the whole run, the four windows in
// a fixed order, the message loop, then everything freed in reverse.

#include "app/Main.h"
#include "database/AtomicFile.h"
#include "database/FileNames.h"
#include "dialogs/Description.h"
#include "dialogs/SetC.h"
#include "regional/Translations.h"
#include "testview/Collections.h"

#include <BrimsettVersion.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

#include <cstdlib>

namespace {

void SetIdentity() {
  QCoreApplication::setApplicationName(QStringLiteral("Brimsett"));
  QCoreApplication::setApplicationVersion(QStringLiteral(BRIMSETT_VERSION));
}

// Only these print and end; any other first argument is the file to open, as
// it always was. They need no display, so no window system is started.
bool IsInfoOption(const char* Arg) {
  for (const char* Option : {"-h", "--help", "--help-all", "-v", "--version"})
    if (qstrcmp(Arg, Option) == 0)
      return true;
  return false;
}

[[noreturn]] void PrintInfo(int argc, char** argv) {
  QCoreApplication App(argc, argv);
  SetIdentity();
  LoadTranslations();
  QCommandLineParser Parser;
  Parser.setApplicationDescription(QCoreApplication::translate(
      "Brimsett", "Editor for collections of property sets. See brimsett(1)."));
  Parser.addHelpOption();
  Parser.addVersionOption();
  Parser.addPositionalArgument(
      QStringLiteral("FILE"),
      QCoreApplication::translate("Brimsett", "A set file (.vsxml) to open at start-up."),
      QStringLiteral("[FILE]"));
  Parser.process(App); // prints and exits
  std::exit(0);
}

} // namespace

int main(int argc, char** argv) {
  if (argc > 1 && IsInfoOption(argv[1]))
    PrintInfo(argc, argv);
  IgnoreFileSizeSignal();
  GlobalDB = new TPropDB;
  {
    // Also sets the process locale, so that system error texts come in the
    // user's language.
    QApplication App(argc, argv);
    LoadTranslations();
    SetIdentity();
    // Lets the desktop match the window to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brimsett.Brimsett"));
    QApplication::setWindowIcon(AppIcon());

    // A name whose bytes are not UTF-8 reads as text that leads to another
    // file, which a later save would replace: such a name is not opened.
    QStringList Args = QApplication::arguments().mid(1);
    const bool NameExact = argc < 2 || ArgumentIsExact(argv[1]);
    const QString Refused = NameExact ? QString() : Args.value(0);
    if (!NameExact)
      Args.clear();
    auto* MainForm = new TMainForm(GlobalDB, Args);
    // Children of the main window, so that they open centred over it.
    auto* FormCollections = new TFormCollections(MainForm);
    auto* FormProp = new TFormProp(MainForm);
    auto* FormType = new TFormType(MainForm);
    MainForm->SetDialogs({FormCollections, FormProp, FormType});
    MainForm->LoadListCountryLang();
    MainForm->show();
    if (!NameExact)
      MainForm->StartNameRefused(Refused);
    QApplication::exec();

    delete MainForm; // takes the test view and the dialogs with it
  }
  delete GlobalDB;
  GlobalDB = nullptr;
  return 0;
}
