// The outcome of an operation that can fail: its value, or the reason it
// failed, for a person. A function returns one instead of filling an
// out-parameter with the reason beside a flag.
//
//   platform::Result<int> Parse(std::string_view text) {
//     if (text.empty()) return platform::Failure{"the text is empty"};
//     return 42;
//   }
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace platform {

struct Failure {
  std::string reason;
  // A code the caller can act on, where the failing layer has one (a
  // protocol's error number); 0 when there is none.
  int code = 0;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

  bool Ok() const { return m_state.index() == 0; }
  explicit operator bool() const { return Ok(); }

  // Only when Ok().
  T& Value() & { return std::get<0>(m_state); }
  const T& Value() const& { return std::get<0>(m_state); }
  T&& Value() && { return std::get<0>(std::move(m_state)); }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }

  // Only when not Ok().
  const std::string& Reason() const { return std::get<1>(m_state).reason; }
  int Code() const { return std::get<1>(m_state).code; }
  const Failure& Error() const { return std::get<1>(m_state); }

 private:
  std::variant<T, Failure> m_state;
};

// An operation that gives nothing back but may fail.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : m_ok(false), m_failure(std::move(failure)) {}

  bool Ok() const { return m_ok; }
  explicit operator bool() const { return Ok(); }
  const std::string& Reason() const { return m_failure.reason; }
  int Code() const { return m_failure.code; }
  const Failure& Error() const { return m_failure; }

 private:
  bool m_ok = true;
  Failure m_failure;
};

}  // namespace platform
