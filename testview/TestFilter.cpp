#include "testview/TestFilter.h"

#include "database/AtomicFile.h"
#include "database/RegularFile.h"
#include "failures/Caught.h"
#include "failures/Reasons.h"
#include "regional/Iconv.h"

#include <QHash>
#include <QIODevice>

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

TTypeList FilterTypes(const TPropDB& DB, const TSetFilter& Filter) {
  TTypeList Result;
  const int Count = DB.TypeCount();
  for (int I = 0; I < Count; ++I) {
    const PTypeRecord Type = DB.Types(I);
    // == compares code units: no case folding, trimming or normalisation.
    if (!Filter.AllLang && Type->Language != Filter.Lang)
      continue;
    if (!Filter.AllCountries && Type->Country != Filter.Country)
      continue;
    Result.push_back(Type);
  }
  return Result;
}

TPropList FilterItems(const TPropDB& DB, PTypeRecord Type, int Level) {
  TPropList Result;
  if (!Type)
    return Result;
  const int Count = DB.PropCount();
  for (int I = 0; I < Count; ++I) {
    const PPropRecord Prop = DB.Props(I);
    if (Prop->Parent == Type && Prop->Detail <= Level)
      Result.push_back(Prop);
  }
  return Result;
}

TPropList FilterItems(const TPropsBySet& Groups, PTypeRecord Type, int Level) {
  TPropList Result;
  for (const PPropRecord Prop : Groups.Items(Type))
    if (Prop->Detail <= Level)
      Result.push_back(Prop);
  return Result;
}

QLocale CollationLocale() {
  for (const char* Name : {"LC_ALL", "LC_COLLATE", "LANG"})
    if (const QString Value = qEnvironmentVariable(Name); !Value.isEmpty())
      return CollationOf(Value);
  return QLocale::c();
}

QLocale CollationOf(const QString& Name) {
  const QString Base = Name.section(u'.', 0, 0).section(u'@', 0, 0);
  if (Base.isEmpty() || Base == u"C" || Base == u"POSIX")
    return QLocale::c();
  return QLocale(Base);
}

QCollator RowCollator(const QLocale& Locale) {
  QCollator Collator(Locale);
  Collator.setCaseSensitivity(Qt::CaseSensitive);
  Collator.setNumericMode(false);
  Collator.setIgnorePunctuation(false);
  return Collator;
}

void SortByName(TPropList& Rows, const QCollator& Collator) {
  if (Rows.size() < 2)
    return;
  std::vector<TText> Names;
  Names.reserve(Rows.size());
  for (const PPropRecord Row : Rows)
    Names.push_back(Row->Name);
  const std::atomic<bool> Never = false;
  SortByName(Rows, Names, Collator, Never);
}

bool SortByName(TPropList& Rows, const std::vector<TText>& Names, const QCollator& Collator,
                const std::atomic<bool>& Stop) {
  if (Rows.size() < 2)
    return !Stop;
  // One sort key per row: comparing keys is a byte compare, far cheaper than
  // collating the two names again at every step of the sort.
  std::vector<QCollatorSortKey> Keys;
  Keys.reserve(Rows.size());
  for (const TText& Name : Names) {
    if ((Keys.size() & 0xFFF) == 0 && Stop)
      return false;
    Keys.push_back(Collator.sortKey(Name));
  }
  std::vector<size_t> Order(Rows.size());
  std::iota(Order.begin(), Order.end(), size_t{0});
  std::stable_sort(Order.begin(), Order.end(),
                   [&Keys](size_t A, size_t B) { return Keys[A].compare(Keys[B]) < 0; });
  TPropList Sorted;
  Sorted.reserve(Rows.size());
  for (const size_t I : Order)
    Sorted.push_back(Rows[I]);
  Rows.swap(Sorted);
  return true;
}

void AppendExportLine(QString& Out, const TPropRecord& Rec, const TRegional& Settings) {
  Out += Rec.Name.View();
  Out += u'\t';
  AppendDate(Out, Rec.Date, Settings);
  Out += u'\t';
  AppendCost(Out, Rec.Cost, Settings.DecimalSeparator);
  Out += u'\t';
  Out += Rec.Curr.View();
  Out += u"\r\n";
}

QString ExportLine(const TPropRecord& Rec, const TRegional& Settings) {
  QString Line;
  AppendExportLine(Line, Rec, Settings);
  return Line;
}

// The characters of Text that do not come back from Settings' character set;
// Known remembers the answer for each character already tried.
static qsizetype LostCharacters(const QString& Text, const TRegional& Settings,
                                QHash<char32_t, bool>& Known) {
  qsizetype Lost = 0;
  for (const char32_t C : Text.toUcs4()) {
    auto It = Known.find(C);
    if (It == Known.end()) {
      const QString One = QString::fromUcs4(&C, 1);
      It = Known.insert(C, FromAnsi(ToAnsi(One, Settings), Settings) != One);
    }
    Lost += *It ? 1 : 0;
  }
  return Lost;
}

TResult<QByteArray> ExportBytes(const TPropList& Rows, const TRegional& Settings, TWarnings* Lost) {
  // A conversion that does not open fails the export: ToAnsi would write ASCII
  // and "?" instead. Held open while ToAnsi and FromAnsi open their own, so
  // that those find the conversion loaded.
  std::optional<TIconv> To, Back;
  if (!TIconv::IsUtf8(Settings.Charset)) {
    To.emplace(Settings.Charset + "//TRANSLIT", "UTF-8");
    Back.emplace("UTF-8", Settings.Charset);
    for (const TIconv* Conversion : {&*To, &*Back})
      if (!Conversion->IsOpen())
        return TFailure::Own(Reason::NoConversion, {QString::fromLatin1(Settings.Charset),
                                                    qt_error_string(Conversion->OpenError())});
  }
  // Converted a run of lines at a time, so that the text is never held whole
  // beside its bytes; runs end at line ends, where a character set holds no
  // state.
  constexpr qsizetype RunUnits = 64 * 1024;
  QByteArray Bytes;
  QString Run;
  Run.reserve(RunUnits + 256);
  size_t RunStart = 0;
  QHash<char32_t, bool> Known;
  TWarning Loss{TWarningKind::CharactersLost, 0, QString(), 0,
                QString::fromLatin1(Settings.Charset)};
  const auto Convert = [&](size_t RunEnd) {
    const QByteArray Part = ToAnsi(Run, Settings);
    // Line by line only when the run does not come back whole.
    if (Lost && FromAnsi(Part, Settings) != Run) {
      for (size_t I = RunStart; I < RunEnd; ++I) {
        const qsizetype Characters =
            LostCharacters(ExportLine(*Rows[I], Settings), Settings, Known);
        if (Characters > 0 && Loss.Count == 0)
          Loss.First = Rows[I]->Name;
        Loss.Count += Characters;
      }
    }
    Bytes += Part;
    Run.resize(0); // keeps its room for the next run
    RunStart = RunEnd;
  };
  for (size_t I = 0; I < Rows.size(); ++I) {
    AppendExportLine(Run, *Rows[I], Settings);
    if (Run.size() >= RunUnits)
      Convert(I + 1);
  }
  if (!Run.isEmpty())
    Convert(Rows.size());
  if (Lost && Loss.Count > 0)
    Lost->Put(std::move(Loss));
  return Bytes;
}

TResult<TWarnings> SaveExport(const QString& FileName, const TPropList& Rows,
                              const TRegional& Settings) {
  if (FileName.isEmpty())
    return TFailure::Own(Reason::NoFileName);
  return Caught([&]() -> TResult<TWarnings> {
    TWarnings Lost;
    const TResult<QByteArray> Converted = ExportBytes(Rows, Settings, &Lost);
    if (!Converted)
      return Converted.Failure();
    const QByteArray& Bytes = *Converted;
    const TDone Written = WriteFileAtomically(FileName, [&](QIODevice& File) -> TDone {
      // A write cut short (a full disk, the file-size limit) says nothing of
      // why; the write of the rest then fails with the reason.
      for (qsizetype Done = 0; Done < Bytes.size();) {
        const qint64 Written = File.write(Bytes.constData() + Done, Bytes.size() - Done);
        if (Written <= 0)
          return TFailure::OfDevice(File);
        Done += Written;
      }
      return {};
    });
    if (!Written)
      return Written.Failure();
    return Lost;
  });
}

TDone CheckNotInput(const QString& Output, const QString& Input) {
  if (!Input.isEmpty() && SameFile(Output, Input))
    return TFailure::Own(Reason::OutputIsInput, {Output});
  return {};
}

TWarnings ExportWarnings(const TPropList& Rows) {
  const auto Splits = [](QStringView Text) {
    return Text.contains(u'\t') || Text.contains(u'\r') || Text.contains(u'\n');
  };
  TWarnings Warnings;
  for (const PPropRecord Row : Rows)
    if (Splits(Row->Name.View()) || Splits(Row->Curr.View()))
      Warnings.Add(TWarningKind::RowSplits, [&] { return std::pair(Row->Name, qint64(0)); });
  return Warnings;
}
