#pragma once

// The checks for the failures that the conversions raise and the set file and
// its callers return.

#include "regional/Regional.h"

#include <gtest/gtest.h>

#include <type_traits>

template <class T> inline constexpr bool IsResult = false;
template <class T> inline constexpr bool IsResult<TResult<T>> = true;

// Expects Call to fail with exactly Message, as FailureText words it: by the
// failure it returns, or for a conversion by raising TError.
template <class TCall> void ExpectTError(TCall&& Call, const QString& Message) {
  if constexpr (IsResult<std::invoke_result_t<TCall>>) {
    const auto Result = Call();
    if (Result)
      ADD_FAILURE() << "accepted";
    else
      EXPECT_EQ(FailureText(Result.Failure()), Message);
  } else {
    try {
      Call();
      ADD_FAILURE() << "accepted";
    } catch (const TError& E) {
      EXPECT_EQ(E.Message(), Message);
    }
  }
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
