// One keystroke in the test view's language box: the set list and the rows are
// rebuilt from the whole document. Run offscreen on a Release build.

#include "app/Main.h"
#include "bench/BenchMain.h"
#include "testview/Collections.h"
#include "testview/NameOrders.h"
#include "testview/TestFilter.h"
#include "ui/Modal.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

// Shows the view without a nested event loop and runs the measurement while
// it is shown, the way the user's keystrokes reach it.
class TBenchModal final : public TModalSeam {
public:
  std::function<void()> WhileShown;

  int Exec(QDialog* Dialog) override {
    Dialog->show();
    QApplication::processEvents();
    WhileShown();
    Dialog->hide();
    return Dialog->result();
  }
  void Message(QWidget*, QMessageBox::Icon, const QString&, const QString&) override {}
  QString ChooseFile(QWidget*, const TFileDialog&, bool) override { return {}; }
  TSaveAnswer AskToSave(QWidget*, const QString&, const QString&) override {
    return TSaveAnswer::Cancel;
  }
  void About(QWidget*, const QString&, const QString&, const QIcon&) override {}
};

// Sets sets, each "Russian"/"Russia", and Items items spread over them in turn.
void Fill(TPropDB& DB, int Sets, int Items) {
  for (int I = 0; I < Sets; ++I) {
    const PTypeRecord Set = DB.AddType();
    Set->Name = QStringLiteral("Набор %1").arg((I * 7919) % Sets);
    Set->Language = QStringLiteral("Russian");
    Set->Country = QStringLiteral("Russia");
  }
  for (int I = 0; I < Items; ++I) {
    const PPropRecord Item = DB.AddProp(DB.Types(I % Sets));
    // Names out of order, so that the rows really have to be sorted.
    Item->Name = QStringLiteral("Вещь %1").arg((I * 104729) % Items);
    Item->Detail = I % 3;
    Item->Default = I % 2 == 0;
    Item->Date = 45000 + I % 365;
    Item->Cost = (I % 100000) / 100.0;
    Item->Curr = QStringLiteral("RUR");
  }
}

// Typing the last letter of "Russian" offers every set again and lists the
// first one's items; the backspace that prepares the next round is not timed.
void KeystrokeRebuild(benchmark::State& State, int Sets, int Items) {
  TPropDB DB;
  Fill(DB, Sets, Items);
  TFormCollections Form;
  TBenchModal Seam;
  SetModal(&Seam);
  // Every level, so that each set's rows are all listed.
  Form.findChild<QSlider*>(QStringLiteral("eDetail"))->setValue(2);
  Seam.WhileShown = [&] {
    QLineEdit* Edit = Form.eLang()->lineEdit();
    QTest::keyClick(Edit, Qt::Key_Backspace);
    for (auto _ : State) {
      QTest::keyClick(Edit, 'n');
      QApplication::processEvents();
      State.PauseTiming();
      QTest::keyClick(Edit, Qt::Key_Backspace);
      QApplication::processEvents();
      State.ResumeTiming();
    }
    QTest::keyClick(Edit, 'n');
    State.counters["rows"] = Form.RowCount();
    State.counters["sets"] = static_cast<double>(Form.OfferedTypes().size());
  };
  Form.ShowTest(&DB);
  SetModal(nullptr);
}

void BM_KeystrokeManySets(benchmark::State& State) {
  KeystrokeRebuild(State, 1000, static_cast<int>(State.range(0)));
}
BENCHMARK(BM_KeystrokeManySets)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One set of many items: the sort by name dominates.
void BM_KeystrokeOneLargeSet(benchmark::State& State) {
  KeystrokeRebuild(State, 1, static_cast<int>(State.range(0)));
}
BENCHMARK(BM_KeystrokeOneLargeSet)->Arg(10000)->Unit(benchmark::kMillisecond);

// A slider step on a set of a million items, and the first listing of the
// set, which works out its name order.
void BM_SliderStepOneMillion(benchmark::State& State) {
  TPropDB DB;
  Fill(DB, 1, 1000000);
  TFormCollections Form;
  TBenchModal Seam;
  SetModal(&Seam);
  auto* Slider = Form.findChild<QSlider*>(QStringLiteral("eDetail"));
  Slider->setValue(0);
  QElapsedTimer First;
  First.start();
  Seam.WhileShown = [&] {
    State.counters["first_s"] = double(First.nsecsElapsed()) / 1e9;
    int Level = 0;
    for (auto _ : State) {
      Level = Level == 2 ? 1 : 2;
      Slider->setValue(Level);
      QApplication::processEvents();
    }
    State.counters["rows"] = Form.RowCount();
  };
  Form.ShowTest(&DB);
  SetModal(nullptr);
}
BENCHMARK(BM_SliderStepOneMillion)->Unit(benchmark::kMillisecond)->Iterations(10);

// A set of 1,000,000 items and one of 200,000, as the file holds them.
void FillTwoSets(TPropDB& DB) {
  Fill(DB, 1, 1000000);
  const PTypeRecord Small = DB.AddType();
  Small->Name = QStringLiteral("Малый набор");
  Small->Language = QStringLiteral("Russian");
  Small->Country = QStringLiteral("Russia");
  for (int I = 0; I < 200000; ++I) {
    const PPropRecord Item = DB.AddProp(Small);
    Item->Name = QStringLiteral("Предмет %1").arg((I * 7919) % 200000);
    Item->Detail = I % 3;
  }
}

// Picking either set in turn in the test view, their name orders worked out
// ahead as the editor does after a load (ahead_s, off the window's thread,
// of which start_s on it); first_s is the view's first showing with the
// large set listed.
void BM_PickSetOneMillion(benchmark::State& State) {
  TPropDB DB;
  FillTwoSets(DB);
  TNameOrders Orders;
  QElapsedTimer Ahead;
  Ahead.start();
  Orders.Start(DB, RowCollator());
  // What the window's thread spends on it: copying the names.
  State.counters["start_s"] = double(Ahead.nsecsElapsed()) / 1e9;
  Orders.Wait();
  State.counters["ahead_s"] = double(Ahead.nsecsElapsed()) / 1e9;
  TFormCollections Form;
  Form.SetNameOrders(&Orders);
  TBenchModal Seam;
  SetModal(&Seam);
  Form.findChild<QSlider*>(QStringLiteral("eDetail"))->setValue(2);
  QElapsedTimer First;
  First.start();
  Seam.WhileShown = [&] {
    State.counters["first_s"] = double(First.nsecsElapsed()) / 1e9;
    auto* Box = Form.findChild<QComboBox*>(QStringLiteral("eTypeList"));
    int Index = 0;
    for (auto _ : State) {
      Index = 1 - Index;
      Box->setCurrentIndex(Index);
      emit Box->activated(Index);
      QApplication::processEvents();
    }
  };
  Form.ShowTest(&DB);
  SetModal(nullptr);
}
BENCHMARK(BM_PickSetOneMillion)->Unit(benchmark::kMillisecond)->Iterations(10);

// The main window's selection of the same two sets in turn, the figure that
// the test view's steps are held to.
void BM_MainWindowSelectOneMillion(benchmark::State& State) {
  TPropDB DB;
  FillTwoSets(DB);
  TMainForm Form(&DB);
  Form.RefillLists();
  Form.show();
  QApplication::processEvents();
  QTreeView* Sets = Form.ListTypes();
  int Row = 0;
  for (auto _ : State) {
    Row = 1 - Row;
    QTest::mouseClick(Sets->viewport(), Qt::LeftButton, {},
                      Sets->visualRect(Sets->model()->index(Row, 0)).center());
    QApplication::processEvents();
  }
}
BENCHMARK(BM_MainWindowSelectOneMillion)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
  return RunWindowBenchmarks(argc, argv);
}
