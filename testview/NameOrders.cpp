#include "testview/NameOrders.h"

#include "testview/TestFilter.h"

#include <QCoreApplication>

#include <malloc.h>

#include <vector>

namespace {

// What the worker takes with it: each set's items and their names, copied on
// the window's thread; the worker never reads a record.
struct TSnapshot {
  std::vector<PTypeRecord> Sets;
  std::vector<TPropList> Items;          // by set
  std::vector<std::vector<TText>> Names; // by set, as Items
};

TSnapshot Snapshot(const TPropDB& DB) {
  TSnapshot S;
  std::unordered_map<PTypeRecord, size_t> Index;
  for (int T = 0; T < DB.TypeCount(); ++T) {
    Index.emplace(DB.Types(T), S.Sets.size());
    S.Sets.push_back(DB.Types(T));
  }
  S.Items.resize(S.Sets.size());
  S.Names.resize(S.Sets.size());
  // A set's items mostly stand together: the set of the item before is
  // looked up once.
  PTypeRecord Last = nullptr;
  size_t At = 0;
  for (int P = 0; P < DB.PropCount(); ++P) {
    const PPropRecord Item = DB.Props(P);
    if (Item->Parent != Last) {
      const auto It = Index.find(Item->Parent);
      if (It == Index.end())
        continue;
      Last = Item->Parent;
      At = It->second;
    }
    S.Items[At].push_back(Item);
    S.Names[At].push_back(Item->Name);
  }
  return S;
}

// Each set's items in name order under Collator (one of this thread's own:
// a collator is not to be shared between threads); nullptr when Stop was set
// meanwhile.
std::shared_ptr<TNameOrders::TOrders> WorkOut(TSnapshot& Work, const QCollator& Collator,
                                              const std::atomic<bool>& Stop) {
  auto Orders = std::make_shared<TNameOrders::TOrders>();
  for (size_t S = 0; S < Work.Sets.size(); ++S) {
    if (!SortByName(Work.Items[S], Work.Names[S], Collator, Stop))
      return nullptr;
    Orders->emplace(Work.Sets[S], std::move(Work.Items[S]));
    std::vector<TText>().swap(Work.Names[S]);
  }
  return Orders;
}

} // namespace

void TNameOrders::Start(const TPropDB& DB, const QCollator& Collator) {
  Stop();
  FOrders.reset();
  const unsigned Generation = ++FGeneration;
  auto StopFlag = std::make_shared<std::atomic<bool>>(false);
  FStop = StopFlag;
  auto Work = std::make_shared<TSnapshot>(Snapshot(DB));
  FWorker = std::thread([this, Work, StopFlag, Generation, Locale = Collator.locale()]() mutable {
    std::shared_ptr<TOrders> Orders = WorkOut(*Work, RowCollator(Locale), *StopFlag);
    Work.reset();
    if (Orders)
      QMetaObject::invokeMethod(
          this,
          [this, Orders, Generation] {
            if (Generation == FGeneration && !FOrders)
              FOrders = std::make_unique<TOrders>(std::move(*Orders));
          },
          Qt::QueuedConnection);
    // The collation keys took much more than the orders keep, in an arena of
    // this thread's own.
    malloc_trim(0);
  });
}

void TNameOrders::Invalidate() {
  ++FGeneration;
  FOrders.reset();
  if (FStop)
    *FStop = true;
}

const TPropList* TNameOrders::Of(PTypeRecord Type) const {
  if (!FOrders)
    return nullptr;
  const auto It = FOrders->find(Type);
  return It == FOrders->end() ? nullptr : &It->second;
}

void TNameOrders::Wait() {
  if (FWorker.joinable())
    FWorker.join();
  QCoreApplication::sendPostedEvents(this);
}

void TNameOrders::Stop() {
  if (FStop)
    *FStop = true;
  if (FWorker.joinable())
    FWorker.join();
}
