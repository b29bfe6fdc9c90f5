#pragma once

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace quillbay {

// A value or the reason there is none: the part of C++23's std::expected this program uses,
// kept to its names so that it can give way to the standard one once every compiler we
// build with (the fuzzers' clang among them) has it.
template <typename E>
class Unexpected {
 public:
  explicit Unexpected(E error) : error_(std::move(error)) {}
  E& error() & { return error_; }
  E&& error() && { return std::move(error_); }

 private:
  E error_;
};

template <typename T, typename E>
class [[nodiscard]] Expected {
 public:
  Expected() requires std::is_default_constructible_v<T>
  = default;
  Expected(T value) : held_(std::in_place_index<0>, std::move(value)) {}
  Expected(Unexpected<E> failure) : held_(std::in_place_index<1>, std::move(failure).error()) {}

  bool has_value() const { return held_.index() == 0; }
  explicit operator bool() const { return has_value(); }
  T& value() & { return std::get<0>(held_); }
  const T& value() const& { return std::get<0>(held_); }
  T&& value() && { return std::get<0>(std::move(held_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  E& error() & { return std::get<1>(held_); }
  const E& error() const& { return std::get<1>(held_); }
  E&& error() && { return std::get<1>(std::move(held_)); }

 private:
  std::variant<T, E> held_;
};

template <typename E>
class [[nodiscard]] Expected<void, E> {
 public:
  Expected() = default;
  Expected(Unexpected<E> failure) : error_(std::move(failure).error()) {}

  bool has_value() const { return !error_.has_value(); }
  explicit operator bool() const { return has_value(); }
  E& error() & { return *error_; }
  const E& error() const& { return *error_; }
  E&& error() && { return *std::move(error_); }

 private:
  std::optional<E> error_;
};

}  // namespace quillbay
