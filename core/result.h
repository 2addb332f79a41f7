#pragma once
// Errors that can happen at run time come back as values. A message is user-facing text in
// UTF-8 (for the terminal and the windows); data that reaches the module stays GBK bytes.
#include <string>
#include <utility>
#include <variant>

namespace quelmo {

struct Error {
    std::string message;
    int code = 1;  // 1: refused by a rule, 2: bad usage or unreadable input
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error error) : v_(std::move(error)) {}
    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : err_(std::move(error)), ok_(false) {}
    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const Error& error() const { return err_; }

private:
    Error err_;
    bool ok_ = true;
};

using Status = Result<void>;

}  // namespace quelmo
