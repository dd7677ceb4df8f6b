#include "ui/Accessible.h"

#include <QLabel>

void NameFieldsAfterLabels(QWidget* Window) {
  for (const QLabel* Label : Window->findChildren<QLabel*>())
    if (QWidget* Field = Label->buddy(); Field && Field->accessibleName().isEmpty())
      Field->setAccessibleName(Label->text());
}
