#pragma once

#include "database/PropDB.h"

#include <QDialog>

class QComboBox;

namespace Ui {
class FormCollections;
}

// The set test view "Выбор набора": filters the sets, lists the chosen set's
// items at a detail level and exports the ticked ones as text.
class TFormCollections : public QDialog {
  Q_OBJECT

public:
  explicit TFormCollections(QWidget* Parent = nullptr);
  ~TFormCollections() override;

  // Rebuilds the view from base and shows it modally until it is closed.
  void ShowTest(TPropDB* base);

  // The boxes that start-up fills from the reference lists.
  QComboBox* eLang() const;
  QComboBox* eCountry() const;

private:
  Ui::FormCollections* FUi;
  TPropDB* PropDB = nullptr;
};

extern TFormCollections* FormCollections;
