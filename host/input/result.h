// The outcome of a call that can fail: its value, or what went wrong and of which
// kind. The command line turns the kind into the exit status, in one place.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace tavik::host {

enum class FailureKind {
    kUsage,   // the command line, or what it leaves unknown (the own call)
    kInput,   // a log, country file or folder that cannot be used
    kPlugin,  // the plugin missing, not loadable or incomplete
    kOther,   // anything else, such as running out of memory
    kOutput   // an output the run should have left is missing
};

struct Failure {
    FailureKind kind = FailureKind::kOther;
    std::string message;
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: a value is a success
    Result(Failure failure) : failure_(std::move(failure)) {}  // NOLINT

    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    // Only for a failed result.
    const Failure& Why() const { return failure_; }

private:
    std::optional<T> value_;
    Failure failure_;
};

// A call that gives nothing back but may fail.
using Status = Result<std::monostate>;
inline Status Ok() { return std::monostate(); }

}  // namespace tavik::host
