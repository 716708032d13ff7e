// platform/Ownership.h: owners for the platform's resources, each released when its
// owner goes out of scope, on every path: a return, an error, or an exception from an
// outside library passing through.
//
// Code that needs a resource for one call or one message holds it in one of these
// rather than closing it by hand.
#pragma once

#include <utility>

#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/InputFile.h"
#include "platform/Library.h"
#include "platform/Sync.h"

namespace platform {

// Owns a resource of type Resource (a pointer-like handle, null when there is none) and
// releases it with Release, once.
template <typename Resource, auto Release>
class Owned {
public:
    Owned() = default;
    explicit Owned(Resource resource) : resource_(resource) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept : resource_(other.Take()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Reset();
            resource_ = other.Take();
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Resource Get() const { return resource_; }
    explicit operator bool() const { return resource_ != nullptr; }
    // Gives the resource up without releasing it.
    Resource Take() { return std::exchange(resource_, nullptr); }
    void Reset(Resource resource = nullptr) {
        Resource old = std::exchange(resource_, resource);
        if (old != nullptr) Release(old);
    }

private:
    Resource resource_ = nullptr;
};

namespace ownership_detail {
inline void CloseFile(File file) {
    (void)FileClose(file);
}
}  // namespace ownership_detail

// An open file. Close() reports what FileClose reports (whether every write reached
// the file); a file that is only dropped is closed without asking.
class OwnedFile : public Owned<File, ownership_detail::CloseFile> {
public:
    using Owned::Owned;
    OwnedFile(const char* path, FileMode mode) : Owned(FileOpen(path, mode)) {}
    int Close() { return FileClose(Take()); }
};

// A file opened for unbuffered reading.
class OwnedInputFile : public Owned<InputFile, InputFileClose> {
public:
    using Owned::Owned;
    OwnedInputFile() = default;
    explicit OwnedInputFile(const char* path) : Owned(InputFileOpen(path)) {}
};

// A waitable object (mutex, event).
using OwnedHandle = Owned<Handle, CloseHandle>;

// A loaded library.
using OwnedLibrary = Owned<Library, LibraryUnload>;

// Ownership of a mutex, taken by waiting for it on construction and released on
// destruction, when the wait got it (kSignaled, or kAbandoned: its previous owner died).
class MutexOwnership {
public:
    MutexOwnership(Handle mutex, uint32_t milliseconds)
        : mutex_(mutex), result_(WaitForObject(mutex, milliseconds)) {}
    ~MutexOwnership() {
        if (Owns()) ReleaseMutex(mutex_);
    }
    MutexOwnership(const MutexOwnership&) = delete;
    MutexOwnership& operator=(const MutexOwnership&) = delete;

    WaitResult Result() const { return result_; }
    bool Owns() const {
        return result_ == WaitResult::kSignaled || result_ == WaitResult::kAbandoned;
    }

private:
    Handle mutex_;
    WaitResult result_;
};

// The calling thread's COM apartment for a scope: started on construction (when asked
// for), ended on destruction when the start succeeded. Balanced, so a thread that was
// already started stays as it was.
class ComApartment {
public:
    explicit ComApartment(bool start = true)
        : started_(start && SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComApartment() {
        if (started_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool Started() const { return started_; }

private:
    bool started_;
};

}  // namespace platform
