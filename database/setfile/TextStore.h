#pragma once

// The texts of the records of one load. Equal texts share one string across
// the whole document (a set's language, an item's currency, names that
// repeat), and the characters of short ones are laid end to end in shared
// blocks instead of one allocation each, which for a short text costs more
// than the text; a long one is a string of its own.

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TTextStore {
public:
  TTextStore();
  TTextStore(const TTextStore&) = delete;
  TTextStore& operator=(const TTextStore&) = delete;

  // The UTF-8 bytes as a string, equal to Utf8ToText's.
  QString Take(std::string_view Utf8);

private:
  // A block's strings each hold a reference to it, so it lives as long as
  // any of them; a string that is changed while another shares its block
  // detaches first, as any shared string does.
  QString::DataPointer FBlock;
  char16_t* FNext = nullptr;
  qsizetype FLeft = 0;
  // The texts met last, one per hash slot: a bounded cache, so that a
  // document of distinct texts costs no table of them all.
  struct TEntry {
    uint64_t Hash = 0;
    std::string Bytes;
    QString Text;
  };
  std::vector<TEntry> FRecent;

  QString Place(std::string_view Utf8);
};
