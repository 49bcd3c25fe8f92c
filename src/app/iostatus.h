#pragma once
// The outcome of a file or port operation: success, or the text that tells the
// user what failed and why (the system's own error text included).

#include <string>
#include <utility>

namespace kordel {

// Marked [[nodiscard]]: a result dropped without a look is a warning.
class [[nodiscard]] IoStatus {
public:
    IoStatus() = default;
    static IoStatus failure(std::string message) { return IoStatus(std::move(message)); }
    // "<what>: <strerror(errnum)>"
    static IoStatus fromErrno(const std::string& what, int errnum);

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& message() const { return message_; }

private:
    explicit IoStatus(std::string message) : failed_(true), message_(std::move(message)) {}
    bool failed_ = false;
    std::string message_;
};

}  // namespace kordel
