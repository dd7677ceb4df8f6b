// The main window on large documents: selecting a set of 10,000 items and
// removing it, in documents of 50,000 and 100,000 items. The cost should grow
// linearly with the document.

#include "app/Main.h"
#include "bench/BenchMain.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int SetSize = 10000;

// Sets of 10,000 items each, their items interleaved as if added in turns.
void Fill(TPropDB& DB, int Items) {
  const int Sets = Items / SetSize;
  std::vector<PTypeRecord> Types;
  for (int I = 0; I < Sets; ++I) {
    PTypeRecord Set = DB.AddType();
    NewGUID(Set->GUID);
    Set->Name = QStringLiteral("Set ") + QString::number(I);
    Set->Language = QStringLiteral("Russian");
    Set->Country = QStringLiteral("Russia");
    Types.push_back(Set);
  }
  for (int I = 0; I < Items; ++I) {
    PPropRecord Item = DB.AddProp(Types[static_cast<size_t>(I % Sets)]);
    NewGUID(Item->GUID);
    Item->Name = QStringLiteral("Item ") + QString::number(I);
    Item->Date = 40000 + I % 1000;
    Item->Cost = I * 0.25;
    Item->Default = I % 3 == 0;
    Item->Curr = QStringLiteral("RUR");
  }
}

void ClickRow(QTreeView* View, int Row) {
  QTest::mouseClick(View->viewport(), Qt::LeftButton, {},
                    View->visualRect(View->model()->index(Row, 0)).center());
  // Painting the item list is part of what the user waits for.
  QApplication::processEvents();
}

std::unique_ptr<TMainForm> OpenWindow(TPropDB& DB) {
  auto Form = std::make_unique<TMainForm>(&DB);
  Form->RefillLists();
  Form->show();
  QApplication::processEvents();
  return Form;
}

// Moving the selection between two sets: the one losing it and the one
// gaining it each scan the whole document.
void BM_SelectSet(benchmark::State& State) {
  TPropDB DB;
  Fill(DB, static_cast<int>(State.range(0)));
  const auto Form = OpenWindow(DB);
  int Row = 0;
  for (auto _ : State) {
    Row = 1 - Row;
    ClickRow(Form->ListTypes(), Row);
  }
  if (Form->PropModel()->rowCount() != SetSize)
    State.SkipWithError("the item list does not show the set");
}

void BM_RemoveSet(benchmark::State& State) {
  for (auto _ : State) {
    State.PauseTiming();
    auto DB = std::make_unique<TPropDB>();
    Fill(*DB, static_cast<int>(State.range(0)));
    auto Form = OpenWindow(*DB);
    ClickRow(Form->ListTypes(), 0);
    QAction* Remove = Form->findChild<QAction*>(QStringLiteral("ARemoveType"));
    State.ResumeTiming();

    Remove->trigger();
    QApplication::processEvents();

    State.PauseTiming();
    if (DB->PropCount() != State.range(0) - SetSize)
      State.SkipWithError("the set's items are still there");
    Form.reset();
    DB.reset();
    State.ResumeTiming();
  }
}

// Opening the window on a loaded document, as the start-up does.
void BM_OpenWindow(benchmark::State& State) {
  TPropDB DB;
  Fill(DB, static_cast<int>(State.range(0)));
  for (auto _ : State)
    OpenWindow(DB);
}

} // namespace

BENCHMARK(BM_OpenWindow)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectSet)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveSet)->Arg(50000)->Arg(100000)->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return RunWindowBenchmarks(argc, argv);
}
