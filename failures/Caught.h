#pragma once

#include "failures/Failure.h"

#include <new>
#include <type_traits>

template <class T> struct TResultOf { using Type = TResult<T>; };
template <class T> struct TResultOf<TResult<T>> { using Type = TResult<T>; };

// What Step returns, or the memory running out as a failure: the one
// exception there is becomes a result at an entry.
template <class TStep>
auto Caught(TStep&& Step) -> typename TResultOf<std::invoke_result_t<TStep>>::Type {
  try {
    if constexpr (std::is_void_v<std::invoke_result_t<TStep>>) {
      Step();
      return {};
    } else {
      return Step();
    }
  } catch (const std::bad_alloc&) {
    return TFailure::OutOfMemory();
  }
}
