#include "ui/OwnFrame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QSizeGrip>
#include <QStyle>
#include <QToolButton>
#include <QWindow>

namespace {

// The caption and the close box, across the top of the window.
class TTitleBar final : public QWidget {
public:
  explicit TTitleBar(QWidget* Window) : QWidget(Window) {
    setObjectName(QStringLiteral("TitleBar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Mid);
    auto* Caption = new QLabel(Window->windowTitle(), this);
    Caption->setObjectName(QStringLiteral("TitleCaption"));
    Caption->setAlignment(Qt::AlignCenter);
    QFont Bold = Caption->font();
    Bold.setBold(true);
    Caption->setFont(Bold);
    auto* Close = new QToolButton(this);
    Close->setObjectName(QStringLiteral("TitleClose"));
    Close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, this));
    Close->setAutoRaise(true);
    Close->setAccessibleName(QStringLiteral("Закрыть"));
    connect(Close, &QToolButton::clicked, Window, &QWidget::close);
    auto* Row = new QHBoxLayout(this);
    Row->setContentsMargins(6, 2, 2, 2);
    Row->addWidget(Caption, 1);
    Row->addWidget(Close);
  }

protected:
  void mousePressEvent(QMouseEvent* Event) override {
    if (Event->button() == Qt::LeftButton && window()->windowHandle())
      window()->windowHandle()->startSystemMove();
  }
};

// Keeps the bar across the top and the grip in the bottom right corner of
// the window, above its contents, whose layout leaves room for the bar.
class TFrameKeeper final : public QObject {
public:
  TFrameKeeper(QWidget* Window, QWidget* Bar, QWidget* Grip)
      : QObject(Window), FBar(Bar), FGrip(Grip) {
    Window->installEventFilter(this);
  }

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::Resize || Event->type() == QEvent::Show) {
      const auto* Window = static_cast<QWidget*>(Watched);
      FBar->setGeometry(0, 0, Window->width(), FBar->sizeHint().height());
      const QSize Grip = FGrip->sizeHint();
      FGrip->setGeometry(Window->width() - Grip.width(), Window->height() - Grip.height(),
                         Grip.width(), Grip.height());
      FBar->raise();
      FGrip->raise();
    }
    return false;
  }

private:
  QWidget* FBar;
  QWidget* FGrip;
};

} // namespace

bool QtDrawsFrame(const QWidget* Shown) {
  const QWindow* Handle = Shown ? Shown->windowHandle() : nullptr;
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) && Handle &&
         Handle->frameMargins().top() > 0;
}

void UseOwnFrame(QWidget* Window) {
  if (Window->findChild<QWidget*>(QStringLiteral("TitleBar"), Qt::FindDirectChildrenOnly))
    return;
  Window->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  auto* Bar = new TTitleBar(Window);
  auto* Grip = new QSizeGrip(Window);
  if (QLayout* Layout = Window->layout()) {
    QMargins Margins = Layout->contentsMargins();
    Margins.setTop(Margins.top() + Bar->sizeHint().height());
    Layout->setContentsMargins(Margins);
  }
  new TFrameKeeper(Window, Bar, Grip);
}
