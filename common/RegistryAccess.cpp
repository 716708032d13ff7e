// common/RegistryAccess.cpp: the plug-in's settings readers and writer over the registry.
#include "common/RegistryAccess.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace {

constexpr std::string_view kProductKey = "software\\quill post";
constexpr std::string_view kRedirectedProductKey = "Software\\Wow6432Node\\Quill Post";
constexpr std::string_view kRedirectionNode = "wow6432node";
constexpr uint32_t kDwordSize = 4;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// The plug-in was a 32-bit program on 64-bit Windows, whose settings the registry keeps
// under Wow6432Node; its key paths name the product key without it.
std::string RedirectedKeyPath(const char* keyPath) {
    std::string path(keyPath);
    std::string lower = Lower(path);
    if (lower.find(kRedirectionNode) != std::string::npos) return path;
    size_t at = lower.find(kProductKey);
    if (at != std::string::npos) path.replace(at, kProductKey.size(), kRedirectedProductKey);
    return path;
}

// Reads a value's bytes into `buffer` (capacity `*size`); false when it cannot be had.
bool QueryBytes(const std::string& keyPath, const char* valueName, void* buffer, uint32_t* size) {
    platform::RegistryKey key = nullptr;
    if (platform::RegistryOpenKey(keyPath.c_str(), &key) != platform::kRegOk) return false;
    platform::RegistryStatus status =
        platform::RegistryQueryValue(key, valueName, nullptr, buffer, size);
    platform::RegistryCloseKey(key);
    return status == platform::kRegOk;
}

int ReadString(const char* keyPath, const char* valueName, char* destination, size_t capacity) {
    // One byte more than the destination holds tells a text that fits, with its stored
    // terminator, from one that does not.
    std::vector<char> scratch(capacity + 1);
    auto size = static_cast<uint32_t>(scratch.size());
    if (!QueryBytes(RedirectedKeyPath(keyPath), valueName, scratch.data(), &size)) return 0;
    size_t length = strnlen(scratch.data(), size);
    if (length == 0 || length > capacity - 1) return 0;
    std::memcpy(destination, scratch.data(), length);
    destination[length] = '\0';
    return 1;
}

}  // namespace

int ReadRegistryString(const char* keyPath, const char* valueName, char* destination,
                       size_t capacity) {
    if (destination == nullptr || capacity == 0) return 0;
    destination[0] = '\0';
    if (keyPath == nullptr || capacity > UINT32_MAX - 1) return 0;
    try {
        return ReadString(keyPath, valueName, destination, capacity);
    } catch (...) {
        return 0;
    }
}

int ReadRegistryDword(const char* keyPath, const char* valueName, uint32_t* result) {
    if (keyPath == nullptr || *keyPath == '\0' || result == nullptr) return 0;
    try {
        unsigned char bytes[kDwordSize] = {};
        uint32_t size = kDwordSize;
        if (!QueryBytes(keyPath, valueName, bytes, &size) || size == 0) return 0;
        uint32_t value = 0;
        for (uint32_t i = size; i > 0; --i) value = (value << 8) | bytes[i - 1];
        *result = value;
        return 1;
    } catch (...) {
        return 0;
    }
}

int WriteRegistryDword(RegistryRoot /*root*/, const char* keyPath, const char* valueName,
                       uint32_t value) {
    if (keyPath == nullptr) return 0;
    platform::RegistryKey key = nullptr;
    if (platform::RegistryCreateKey(keyPath, &key) != platform::kRegOk) return 0;
    unsigned char bytes[kDwordSize];
    for (uint32_t i = 0; i < kDwordSize; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    platform::RegistryStatus status =
        platform::RegistrySetValue(key, valueName, platform::kRegDword, bytes, kDwordSize);
    platform::RegistryCloseKey(key);
    return status == platform::kRegOk ? 1 : 0;
}
