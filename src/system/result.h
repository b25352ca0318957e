#pragma once

#include <string>
#include <utility>
#include <variant>

namespace quillmar {

// A failure carried as a value: the text that ends up in a log line, an event's
// detail or a fatal message.
struct Error {
  std::string message;
};

// Either a value or an error; the error is an Error unless a part has a richer kind
// of its own (the release client's ReleaseError). Failures travel as values so the
// error path of a function stays as short and as visible as its success path.
template <typename T, typename E = Error>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(E error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  const E& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, E> state_;
};

// The value-less form: success, or an error.
template <typename E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  Result(E error) : error_(std::move(error)), failed_(true) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  // Nothing to give; present so that QUILLMAR_TRY reads the same on every Result.
  void value() const {}
  const E& error() const { return error_; }

 private:
  E error_{};
  bool failed_ = false;
};

}  // namespace quillmar

// Evaluates EXPRESSION, a Result. On failure the enclosing function returns its
// error; otherwise the whole expression is its value. A GNU statement expression
// (GCC and Clang both have them), so it can stand inside a larger expression:
//   const Package package = QUILLMAR_TRY(request_package(version));
#define QUILLMAR_TRY(expression)                             \
  ({                                                         \
    auto quillmar_try_result_ = (expression);                \
    if (!quillmar_try_result_) return quillmar_try_result_.error(); \
    std::move(quillmar_try_result_).value();                 \
  })
