#include "regional/Failure.h"

#include "regional/ParseReasons.h"

#include <QCoreApplication>
#include <QIODevice>

namespace {

// Args filled into Pattern at once, so that a name holding "%2" stays as it is.
QString Filled(const QString& Pattern, const QStringList& Args) {
  switch (Args.size()) {
  case 0:
    return Pattern;
  case 1:
    return Pattern.arg(Args[0]);
  case 2:
    return Pattern.arg(Args[0], Args[1]);
  default:
    return Pattern.arg(Args[0], Args[1], Args[2]);
  }
}

// System reasons as Qt words them, in its own catalogue when it has them.
QString QtReason(const QString& English) {
  return QCoreApplication::translate("QIODevice", English.toUtf8().constData());
}

QString Worded(const TFailure& F) {
  switch (F.Kind) {
  case TReasonKind::Own:
    return Filled(QCoreApplication::translate("Reason", F.Text), F.Args);
  case TReasonKind::Parser:
    return ExpatReason(F.Code);
  case TReasonKind::System:
    return QtReason(qt_error_string(F.Code));
  case TReasonKind::Foreign:
    return QtReason(F.Args.value(0));
  case TReasonKind::Conversion:
    return Filled(QString::fromUtf8(F.Text), F.Args);
  case TReasonKind::Memory:
    return QCoreApplication::translate("Reason", Reason::OutOfMemory);
  }
  return QString();
}

} // namespace

TFailure TFailure::OfDevice(const QIODevice& Device) {
  return Foreign(Device.errorString());
}

QString FailureText(const TFailure& Failure, TLayout Layout) {
  QStringList Lines{Worded(Failure)};
  if (Failure.Parse)
    Lines << QStringLiteral("Line: ") + QString::number(Failure.Line) << Failure.Source;
  if (Layout == TLayout::Lines)
    return Lines.join(QStringLiteral("\r\n"));
  // A conversion message quotes the attribute, line breaks and all.
  QStringList Parts;
  for (QString Line : std::as_const(Lines))
    Parts << Line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                 .replace(u'\r', u'\n')
                 .split(u'\n');
  while (Parts.size() > 1 && Parts.back().isEmpty())
    Parts.removeLast();
  return Parts.join(QStringLiteral(" | "));
}

QString WarningText(const TWarning& Warning) {
  const char* Pattern = Warning::Skipped;
  switch (Warning.Kind) {
  case TWarningKind::Skipped:
    Pattern = Warning::Skipped;
    break;
  }
  return Filled(QCoreApplication::translate("Warning", Pattern),
                {QString::number(Warning.Count), Warning.First, QString::number(Warning.Line)});
}
