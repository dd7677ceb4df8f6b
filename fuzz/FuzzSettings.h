#pragma once

// The settings every set file target reads under, fixed once: day.month.year
// and a decimal comma, so that an input means the same on every machine.

#include "regional/Regional.h"

inline void FixSettings() {
  static const bool Fixed = [] {
    TRegional::SetCurrent(TRegional::FromPattern("%d.%m.%Y", u',', "UTF-8"));
    return true;
  }();
  (void)Fixed;
}
