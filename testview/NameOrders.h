#pragma once

// The name order of every set's items, worked out off the window's thread
// once a document is there, so that the test view lists even a set of a
// million items at once: the collation keys of that many names take a second.
// The order is of the names as they were when the work started; any change
// to the document drops it, and the view then sorts the set itself.

#include "database/PropDB.h"

#include <QCollator>
#include <QObject>

#include <atomic>
#include <memory>
#include <thread>
#include <unordered_map>

class TNameOrders final : public QObject {
public:
  using TOrders = std::unordered_map<PTypeRecord, TPropList>;

  explicit TNameOrders(QObject* Parent = nullptr) : QObject(Parent) {}
  ~TNameOrders() override { Stop(); }
  TNameOrders(const TNameOrders&) = delete;
  TNameOrders& operator=(const TNameOrders&) = delete;

  // Starts working out the orders of DB's items as they are now, under
  // Collator; what was worked out before goes.
  void Start(const TPropDB& DB, const QCollator& Collator);
  // The document changed: what was worked out, or is being, no longer holds.
  void Invalidate();
  // The items of Type in name order, or nullptr while that is not known.
  const TPropList* Of(PTypeRecord Type) const;
  // Waits until the work is done and its result taken in; for tests and
  // benchmarks.
  void Wait();

private:
  std::thread FWorker;
  std::shared_ptr<std::atomic<bool>> FStop;
  std::unique_ptr<TOrders> FOrders;
  unsigned FGeneration = 0; // of the work whose result is wanted

  void Stop();
};
