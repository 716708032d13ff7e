// platform/ComError.h: the exception that COM wrappers raise for a failed call (the
// Windows _com_error). Code that calls outside libraries reports it in its own form.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using HRESULT = int32_t;

class ComError {
public:
    explicit ComError(HRESULT code, std::string source = "", std::string description = "")
        : code_(code), source_(std::move(source)), description_(std::move(description)) {}

    HRESULT Error() const { return code_; }
    // The system's text for the code ("Unspecified error" and the like).
    std::string ErrorMessage() const;
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }

private:
    HRESULT code_;
    std::string source_;
    std::string description_;
};

}  // namespace platform
