// platform/ComError.cpp: the texts Windows gives for the COM error codes the plug-in
// meets, so that its messages read as they did there.
#include "platform/ComError.h"

#include <cstdio>

namespace platform {
namespace {

struct KnownError {
    uint32_t code;
    const char* text;
};

constexpr KnownError kKnownErrors[] = {
    {0x00000000, "The operation completed successfully."},
    {0x80004001, "Not implemented"},
    {0x80004002, "No such interface supported"},
    {0x80004003, "Invalid pointer"},
    {0x80004004, "Operation aborted"},
    {0x80004005, "Unspecified error"},
    {0x8000FFFF, "Catastrophic failure"},
    {0x80020003, "Member not found."},
    {0x80020004, "Parameter not found."},
    {0x80020005, "Type mismatch."},
    {0x80020006, "Unknown name."},
    {0x80020008, "Bad variable type."},
    {0x80020009, "Exception occurred."},
    {0x8002000A, "Out of present range."},
    {0x8002000B, "Invalid index."},
    {0x8002000E, "Invalid number of parameters."},
    {0x80020012, "Division by zero."},
    {0x80040154, "Class not registered"},
    {0x800401E4, "Invalid syntax"},
    {0x800401F0, "CoInitialize has not been called."},
    {0x800401F3, "Invalid class string"},
    {0x80070002, "The system cannot find the file specified."},
    {0x80070003, "The system cannot find the path specified."},
    {0x80070005, "Access is denied."},
    {0x80070006, "The handle is invalid."},
    {0x8007000E, "Not enough memory resources are available to complete this operation."},
    {0x80070057, "The parameter is incorrect."},
};

}  // namespace

std::string ComError::ErrorMessage() const {
    const uint32_t code = static_cast<uint32_t>(code_);
    for (const KnownError& known : kKnownErrors) {
        if (known.code == code) return known.text;
    }
    char text[32];
    snprintf(text, sizeof text, "Unknown error 0x%08x", code);
    return text;
}

}  // namespace platform
