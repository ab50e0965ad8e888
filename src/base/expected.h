// A small value-or-error type, the library's way of reporting failure below
// the Python binding. Modelled on std::expected (C++23) so that the core stays
// C++20.
#ifndef DROVIK_BASE_EXPECTED_H_
#define DROVIK_BASE_EXPECTED_H_

#include <type_traits>
#include <utility>
#include <variant>

namespace drovik {

template <class E>
class Unexpected {
 public:
  explicit Unexpected(E error) : error_(std::move(error)) {}
  E& error() & { return error_; }
  E&& error() && { return std::move(error_); }

 private:
  E error_;
};

template <class T, class E>
class Expected {
 public:
  Expected(T value) : storage_(std::in_place_index<0>, std::move(value)) {}
  Expected(Unexpected<E> error) : storage_(std::in_place_index<1>, std::move(error).error()) {}

  bool has_value() const { return storage_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & { return std::get<0>(storage_); }
  const T& value() const& { return std::get<0>(storage_); }
  T&& value() && { return std::get<0>(std::move(storage_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  E& error() & { return std::get<1>(storage_); }
  const E& error() const& { return std::get<1>(storage_); }
  E&& error() && { return std::get<1>(std::move(storage_)); }

 private:
  std::variant<T, E> storage_;
};

}  // namespace drovik

#endif  // DROVIK_BASE_EXPECTED_H_
