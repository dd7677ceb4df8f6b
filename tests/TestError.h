#pragma once

// The one check for the error that the conversions and the set file raise.

#include "regional/Regional.h"

#include <gtest/gtest.h>

// Expects Call to raise TError with exactly Message.
template <class TCall> void ExpectTError(TCall&& Call, const QString& Message) {
  try {
    Call();
    ADD_FAILURE() << "accepted";
  } catch (const TError& E) {
    EXPECT_EQ(E.Message(), Message);
  }
}
