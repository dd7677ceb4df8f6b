// The file dialogs: where the next one opens, and what the real one reads to
// show a folder.

#include "test_main_fixture.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

class FileDialogTest : public TMainFixture {
protected:
  QString Write(const char* Name, const QByteArray& Bytes) {
    QFile File(Dir.filePath(QString::fromUtf8(Name)));
    EXPECT_TRUE(File.open(QIODevice::WriteOnly));
    File.write(Bytes);
    return File.fileName();
  }

  QTemporaryDir Dir;
};

} // namespace

TEST_F(FileDialogTest, APathIsProposedAgainOnlyAfterItsCommandSucceeded) {
  CreateWindow();
  const QString Good = Write("good.vsxml", "<?xml version=\"1.0\"?>\r\n<propdb>\r\n</propdb>\r\n");
  const QString Saved = Dir.filePath(QStringLiteral("saved.vsxml"));
  Stub.FileAnswers = {Write("bad.vsxml", "png"),
                      Good,
                      Dir.filePath(QStringLiteral("no/x.vsxml")),
                      Saved,
                      QString(),
                      QString()};
  for (const char* Action : {"AOpen", "AOpen", "ASaveAs", "ASaveAs", "AOpen", "ASaveAs"})
    Trigger(Action);
  QStringList Proposed;
  for (const TStubFileRequest& Request : Stub.FileRequests)
    Proposed.append(Request.Proposed);
  const QString First = QStringLiteral("varnoke_set.vsxml");
  EXPECT_EQ(Proposed, QStringList({First, First, First, First, Good, Saved}));
  EXPECT_EQ(Stub.Messages.size(), 2);
}

// Qt's own icon provider reads a file whose name tells it nothing, on the
// window's thread; a FIFO that nobody writes to, or /proc/kmsg, then never
// answers. The real dialog is shown on such a folder and closed by a timer;
// a helper opens the FIFO for writing, which both tells that someone read it
// and releases them.
TEST_F(FileDialogTest, TheRealDialogReadsNoFileToShowAFolder) {
  const QByteArray Fifo = QFile::encodeName(Dir.filePath(QStringLiteral("pipe")));
  ASSERT_EQ(mkfifo(Fifo.constData(), 0666), 0);
  Write("notes", "<?xml version=\"1.0\"?>\n<propdb/>\n");
  Write("set.vsxml", "<?xml version=\"1.0\"?>\n<propdb/>\n");
  const int Watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(Watch, 0);
  ASSERT_GE(inotify_add_watch(Watch, QFile::encodeName(Dir.path()).constData(), IN_OPEN), 0);
  std::atomic<bool> Done = false, FifoRead = false;
  std::thread Writer([&] {
    while (!Done) {
      const int Handle = open(Fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (Handle >= 0) {
        FifoRead = true;
        close(Handle);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  int Polls = 0;
  bool Wandered = false;
  QTimer Poll;
  QObject::connect(&Poll, &QTimer::timeout, [&] {
    auto* Chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!Chooser)
      return;
    // The first showing goes elsewhere and is cancelled; the next must not
    // open there.
    if (!Wandered) {
      Wandered = true;
      Chooser->setDirectory(QDir::rootPath());
      Chooser->reject();
      return;
    }
    // One batch brings the folder's entries, so the listed set file having
    // its type means that every entry has been given its icon and type.
    auto* Model = Chooser->findChild<QFileSystemModel*>();
    const QModelIndex Type =
        Model ? Model->index(Dir.filePath(QStringLiteral("set.vsxml")), 2) : QModelIndex();
    if (!Type.data().toString().isEmpty() || ++Polls == 500) {
      EXPECT_LT(Polls, 500) << "the folder was never listed";
      EXPECT_EQ(Chooser->directory().absolutePath(), Dir.path());
      // Name, size, type and date whole, side by side.
      auto* Files = Chooser->findChild<QTreeView*>(QStringLiteral("treeView"));
      ASSERT_TRUE(Files && Files->isVisible());
      QHeaderView* Header = Files->header();
      EXPECT_LE(Header->length(), Files->viewport()->width());
      for (int Column = 0; Column < 4; ++Column)
        EXPECT_GE(Header->sectionSize(Column), Header->sectionSizeHint(Column)) << Column;
      Chooser->reject();
    }
  });
  Poll.start(20);
  SetModal(nullptr);
  const QString Cwd = QDir::currentPath();
  QDir::setCurrent(Dir.path());
  TFileDialog Dialog;
  Dialog.FileName = QStringLiteral("x.vsxml");
  Dialog.Filter = QStringLiteral("Наборы (*.vsxml)|*.vsxml");
  EXPECT_FALSE(Dialog.Execute(nullptr, false));
  EXPECT_FALSE(Dialog.Execute(nullptr, false));
  QDir::setCurrent(Cwd);
  SetModal(&Stub);
  Done = true;
  Writer.join();
  EXPECT_FALSE(FifoRead);
  QStringList Opened;
  alignas(inotify_event) char Events[4096];
  for (ssize_t Got; (Got = read(Watch, Events, sizeof Events)) > 0;)
    for (ssize_t At = 0; At < Got;) {
      const auto* Event = reinterpret_cast<const inotify_event*>(Events + At);
      if (Event->len > 0)
        Opened.append(QString::fromUtf8(Event->name));
      At += static_cast<ssize_t>(sizeof(inotify_event) + Event->len);
    }
  close(Watch);
  EXPECT_TRUE(Opened.isEmpty()) << "opened: " << Opened.join(u' ').toStdString();
}
