#include "failures/Failure.h"

#include "failures/Reasons.h"

#include <QCoreApplication>
#include <QIODevice>

#include <algorithm>

namespace {

// Args filled into Pattern at once, so that a name holding "%2" stays as it
// is; they come from files, so they show escaped.
QString Filled(const QString& Pattern, const QStringList& Args) {
  switch (Args.size()) {
  case 0:
    return Pattern;
  case 1:
    return Pattern.arg(Escaped(Args[0]));
  case 2:
    return Pattern.arg(Escaped(Args[0]), Escaped(Args[1]));
  default:
    return Pattern.arg(Escaped(Args[0]), Escaped(Args[1]), Escaped(Args[2]));
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
    return QtReason(Escaped(F.Args.value(0)));
  case TReasonKind::Conversion: {
    const QString Message =
        Filled(QCoreApplication::translate("Conversion", F.Text), F.Args.mid(0, 1));
    if (!F.Where)
      return Message;
    return QCoreApplication::translate("Conversion", F.Where)
        .arg(Message, Escaped(F.Args.value(1)));
  }
  case TReasonKind::Memory:
    return QCoreApplication::translate("Reason", Reason::NoMemory);
  }
  return QString();
}

} // namespace

TFailure TFailure::OfDevice(const QIODevice& Device) {
  return Foreign(Device.errorString());
}

QString FailureText(const TFailure& Failure, TLayout Layout) {
  QStringList Lines{Worded(Failure)};
  if (Failure.Parse) {
    Lines << QStringLiteral("Line: ") + QString::number(Failure.Line);
    if (Layout == TLayout::Lines || !Failure.Source.isEmpty())
      Lines << Escaped(Failure.Source);
  }
  return Lines.join(Layout == TLayout::Lines ? QStringLiteral("\r\n") : QStringLiteral(" | "));
}

QString Escaped(const QString& Text) {
  // The controls, and the characters that break a line or turn the order of
  // what follows without being seen.
  const auto IsControl = [](QChar C) {
    const char16_t U = C.unicode();
    return (U < 0x20 && U != u'\t') || (U >= 0x7F && U <= 0x9F) || U == 0x2028 || U == 0x2029 ||
           (U >= 0x202A && U <= 0x202E) || (U >= 0x2066 && U <= 0x2069);
  };
  if (std::none_of(Text.begin(), Text.end(), IsControl))
    return Text;
  QString Out;
  Out.reserve(Text.size() + 8);
  for (const QChar C : Text) {
    if (IsControl(C) && C.unicode() > 0xFF)
      Out += QStringLiteral("\\u") + QString::number(C.unicode(), 16).toUpper();
    else if (IsControl(C))
      Out += QStringLiteral("\\x") +
             QString::number(C.unicode(), 16).toUpper().rightJustified(2, u'0');
    else
      Out += C;
  }
  return Out;
}

static_assert(std::size(WarningTexts) == size_t(TWarningKind::CharactersLost) + 1,
              "a wording for every kind of warning");

QString WarningText(const TWarning& Warning) {
  const QString Pattern =
      QCoreApplication::translate("Warning", WarningTexts[size_t(Warning.Kind)]);
  const QString Count = QString::number(Warning.Count);
  if (Warning.Kind == TWarningKind::RowSplits)
    return Pattern.arg(Count, Escaped(Warning.First));
  if (Warning.Kind == TWarningKind::CharactersLost)
    return Pattern.arg(Count, Escaped(Warning.First), Warning.Charset);
  return Pattern.arg(Count, Escaped(Warning.First), QString::number(Warning.Line));
}
