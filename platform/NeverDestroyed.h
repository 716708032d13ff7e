// platform/NeverDestroyed.h: process-wide objects that are built on first use and never
// destroyed.
//
// The plug-in's load and unload hooks run outside the order in which the C++ runtime
// constructs and destroys the library's globals: the load hook can run before them, and
// a host that exits without unloading the library destroys them before the unload work
// runs. State those hooks use is therefore built when first asked for and left alone at
// exit. The object lives inside the library's own storage, not on the heap, so unloading
// the library leaves nothing behind once the unload work has emptied it.
#pragma once

#include <new>
#include <utility>

namespace platform {

template <typename T>
class NeverDestroyed {
public:
    template <typename... Arguments>
    explicit NeverDestroyed(Arguments&&... arguments) {
        new (storage_) T(std::forward<Arguments>(arguments)...);
    }
    NeverDestroyed(const NeverDestroyed&) = delete;
    NeverDestroyed& operator=(const NeverDestroyed&) = delete;
    // No destructor of T is ever run: that is the point.
    ~NeverDestroyed() = default;

    T& Get() { return *std::launder(reinterpret_cast<T*>(storage_)); }
    T& operator*() { return Get(); }
    T* operator->() { return &Get(); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace platform
