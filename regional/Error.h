#pragma once

#include "regional/Failure.h"

#include <new>
#include <stdexcept>
#include <type_traits>

// A failure raised inside the set file reader and writer and the conversions
// they call from the parser's callbacks; it goes no further than the entry
// that returns it as a TResult. Message() is its one wording.
class TError : public std::runtime_error {
public:
  explicit TError(TFailure AFailure)
      : std::runtime_error("TError"), FFailure(std::move(AFailure)) {}
  const TFailure& Failure() const { return FFailure; }
  QString Message() const { return FailureText(FFailure); }

private:
  TFailure FFailure;
};

template <class T> struct TResultOf { using Type = TResult<T>; };
template <class T> struct TResultOf<TResult<T>> { using Type = TResult<T>; };

// What Step returns, or the failure it raised; the memory running out is a
// failure too. Where the core's exceptions become results at an entry; the
// set file reader also catches them in its parser's callbacks, which C
// cannot unwind through.
template <class TStep>
auto Caught(TStep&& Step) -> typename TResultOf<std::invoke_result_t<TStep>>::Type {
  try {
    if constexpr (std::is_void_v<std::invoke_result_t<TStep>>) {
      Step();
      return {};
    } else {
      return Step();
    }
  } catch (const TError& E) {
    return E.Failure();
  } catch (const std::bad_alloc&) {
    return TFailure::OutOfMemory();
  }
}
