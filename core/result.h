#pragma once
// Errors that can happen at run time come back as values. A message is user-facing text in
// UTF-8 (for the terminal and the windows); data that reaches the module stays GBK bytes.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <variant>

namespace quelmo {

// Reports a value taken from a failed result (or an error from a good one) and aborts.
[[noreturn]] inline void ValueOfAnError(const std::string& message) {
    std::fprintf(stderr, "quelmo: the value of a failed result was taken (error: %s)\n", message.c_str());
    std::abort();
}

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
    // Only for a result that holds a value: taking the value of an error is a programming fault
    // and stops the program with the error's message.
    T& value() { return *Checked(std::get_if<0>(&v_)); }
    const T& value() const { return *Checked(std::get_if<0>(&v_)); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // Likewise only for a result that holds an error.
    const Error& error() const {
        const Error* e = std::get_if<1>(&v_);
        if (!e) ValueOfAnError("none: the result holds a value, not an error");
        return *e;
    }

private:
    template <class P>
    P* Checked(P* p) const {
        if (!p) ValueOfAnError(std::get_if<1>(&v_)->message);
        return p;
    }

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
