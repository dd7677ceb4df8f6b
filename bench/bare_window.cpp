// A bare Qt window with a menu bar, two lists and a status bar, shown as soon
// as the application is up: the baseline that the editor's start is measured
// against (bench/startup).

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeView>

int main(int argc, char** argv) {
  QApplication App(argc, argv);
  QMainWindow Window;
  Window.setWindowTitle(QStringLiteral("bare window"));
  Window.menuBar()->addMenu(QStringLiteral("Файл"));
  auto* Split = new QSplitter(&Window);
  new QTreeView(Split);
  new QTreeView(Split);
  Window.setCentralWidget(Split);
  Window.statusBar()->showMessage(QStringLiteral("ready"));
  Window.resize(773, 430);
  Window.show();
  return App.exec();
}
