// platform/DirectoryStream.h: reading a directory's entries with the stream closed on
// every way out, so that a directory scan leaks no descriptor.
#pragma once

#include <dirent.h>

#include <string>

namespace platform {

class DirectoryStream {
public:
    explicit DirectoryStream(const std::string& path) : dir_(opendir(path.c_str())) {}
    ~DirectoryStream() {
        if (dir_ != nullptr) closedir(dir_);
    }
    DirectoryStream(const DirectoryStream&) = delete;
    DirectoryStream& operator=(const DirectoryStream&) = delete;

    bool IsOpen() const { return dir_ != nullptr; }
    // The next entry ("." and ".." included), or null after the last.
    const dirent* Next() { return dir_ == nullptr ? nullptr : readdir(dir_); }

private:
    DIR* dir_;
};

}  // namespace platform
