#include "dialogs/KeyPreview.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

TKeyPreview::TKeyPreview(QDialog* AForm, TKeyDown AKeyDown, TKeyPress AKeyPress)
    : QObject(AForm), FForm(AForm), FKeyDown(std::move(AKeyDown)), FKeyPress(std::move(AKeyPress)) {
  FForm->installEventFilter(this);
}

TKeyPreview::~TKeyPreview() {
  Watch(false);
}

bool TKeyPreview::IsEnter(const QKeyEvent* Event) {
  return Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
}

bool TKeyPreview::IsEscape(const QKeyEvent* Event) {
  return Event->key() == Qt::Key_Escape;
}

bool TKeyPreview::IsEnterOrEscapeChar(const QKeyEvent* Event) {
  return IsEnter(Event) || IsEscape(Event) || Event->text() == u"\r" || Event->text() == u"\x1b";
}

void TKeyPreview::Watch(bool On) {
  if (On == FWatching)
    return;
  FWatching = On;
  if (On)
    qApp->installEventFilter(this);
  else
    qApp->removeEventFilter(this);
}

bool TKeyPreview::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FForm && (Event->type() == QEvent::Show || Event->type() == QEvent::Hide)) {
    Watch(Event->type() == QEvent::Show);
    return false;
  }
  if (Event->type() != QEvent::KeyPress || !Watched->isWidgetType())
    return false;
  auto* Target = static_cast<QWidget*>(Watched);
  if (Target->window() != FForm)
    return false;
  auto* Key = static_cast<QKeyEvent*>(Event);
  if (auto* Button = qobject_cast<QPushButton*>(Target); Button && IsEnter(Key)) {
    Button->click();
    return true;
  }
  FKeyDown(Key);
  return FKeyPress(Key);
}
