// One keystroke in the test view's language box: the set list and the rows are
// rebuilt from the whole document. Run offscreen on a Release build.

#include "bench/BenchMain.h"
#include "testview/Collections.h"
#include "ui/Modal.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

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

} // namespace

int main(int argc, char** argv) {
  return RunWindowBenchmarks(argc, argv);
}
