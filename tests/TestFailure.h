#pragma once

// The checks for the failures that the conversions, the set file and their
// callers return.

#include "regional/Regional.h"

#include <gtest/gtest.h>

// Expects Call to fail with exactly Message, as FailureText words it.
template <class TCall> void ExpectFailure(TCall&& Call, const QString& Message) {
  const auto Result = Call();
  if (Result)
    ADD_FAILURE() << "accepted";
  else
    EXPECT_EQ(FailureText(Result.Failure()), Message);
}

// The reason of Failure alone, without where it happened.
inline QString ReasonOf(TFailure Failure) {
  Failure.Parse = false;
  return FailureText(Failure);
}

// The value of a result that must be there.
template <class T> T Ok(TResult<T> Result) {
  if (!Result) {
    ADD_FAILURE() << FailureText(Result.Failure()).toStdString();
    return T();
  }
  return std::move(*Result);
}
inline void Ok(const TDone& Result) {
  if (!Result)
    ADD_FAILURE() << FailureText(Result.Failure()).toStdString();
}
