#pragma once

#include <QObject>

#include <functional>

class QDialog;
class QKeyEvent;

// Gives a dialog the first look at every key stroke meant for one of its
// controls. While the dialog is shown it filters the application's key
// presses; popups (drop-down lists, the calendar) are windows of their own
// and keep their keys. A push button with the focus takes Enter as its own
// click before the dialog sees it.
class TKeyPreview : public QObject {
  Q_OBJECT

public:
  // KeyDown sees the key; KeyPress then decides whether the character is
  // discarded, which keeps the key from every control.
  using TKeyDown = std::function<void(QKeyEvent*)>;
  using TKeyPress = std::function<bool(QKeyEvent*)>;

  TKeyPreview(QDialog* AForm, TKeyDown AKeyDown, TKeyPress AKeyPress);
  ~TKeyPreview() override;

  static bool IsEnter(const QKeyEvent* Event);
  static bool IsEscape(const QKeyEvent* Event);
  // The key or the character of Enter or Escape, which no control may see.
  static bool IsEnterOrEscapeChar(const QKeyEvent* Event);

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  void Watch(bool On);

  QDialog* FForm;
  TKeyDown FKeyDown;
  TKeyPress FKeyPress;
  bool FWatching = false;
};
