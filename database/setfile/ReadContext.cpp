#include "database/setfile/ReadContext.h"

#include "database/setfile/Values.h"

const QString& TReadContext::Scratch(std::string_view Value) {
  FScratch = Utf8ToText(Value);
  return FScratch;
}

TText TReadContext::Text(std::string_view Value, TLastText* Last) {
  if (!Value.data())
    return TText();
  if (ValueBytes + qint64(Value.size()) > ValueBound) {
    FOverflowed = true;
    return TText();
  }
  if (!Last)
    return FTexts.Take(Value);
  if (Last->Raw != Value) {
    Last->Raw.assign(Value);
    Last->Text = FTexts.Take(Value);
  }
  return Last->Text;
}
