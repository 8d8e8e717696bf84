// Helpers for file tests: a scratch directory, whole-file reads and writes, failing calls.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "errors.h"
#include "files.h"
#include "files_os.h"

namespace filetest {

// A fresh directory under the system's temporary directory, removed with what it holds.
class ScratchDirectory {
  public:
    ScratchDirectory() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr ? base : "/tmp") + "/brunolt-files-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (::mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
    }
    ~ScratchDirectory() { RemoveTree(path_); }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Names in the directory, sorted.
    std::vector<std::string> Entries() const { return EntriesOf(path_); }

    static std::vector<std::string> EntriesOf(const std::string& path) {
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(path.c_str())) {
            while (dirent* item = ::readdir(dir)) {
                const std::string name = item->d_name;
                if (name != "." && name != "..") names.push_back(name);
            }
            ::closedir(dir);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    static void RemoveTree(const std::string& path) {
        if (path.empty()) return;
        ::chmod(path.c_str(), 0700);
        for (const std::string& name : EntriesOf(path)) {
            const std::string child = path + "/" + name;
            struct stat info {};
            if (::lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
                RemoveTree(child);
            } else {
                ::unlink(child.c_str());
            }
        }
        ::rmdir(path.c_str());
    }

    std::string path_;
};

inline std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteWhole(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Takes the pending error number and clears it, as the error box's "continue" would.
inline uint32_t TakeError() {
    const uint32_t number = Err_Pending();
    Err_Reset();
    return number;
}

// Whether file permissions stop this process (they do not for the superuser).
inline bool PermissionsApply(const std::string& scratch) {
    const std::string probe = scratch + "/permission-probe";
    WriteWhole(probe, "x");
    ::chmod(probe.c_str(), 0444);
    const int fd = ::open(probe.c_str(), O_WRONLY);
    const bool applies = fd < 0;
    if (fd >= 0) ::close(fd);
    ::unlink(probe.c_str());
    return applies;
}

// Real calls, except that chosen ones fail with a chosen errno.
class FailingCalls : public FileSystemCalls {
  public:
    // Writes that succeed before every later one fails; -1 never fails.
    int writesBeforeFailure = -1;
    int writeError = ENOSPC;
    // The errno of a failing call, 0 when it succeeds.
    int syncError = 0;
    int readError = 0;
    int renameError = 0;
    std::string renameOnlyTo;  // when set, only renames onto paths ending with it fail
    // Opens of paths ending with this text fail with openError.
    std::string failOpenEndingWith;
    int openError = EACCES;
    int writesSeen = 0;

    int Open(const char* path, int flags, mode_t permissions) override {
        const std::string name = path;
        if (!failOpenEndingWith.empty() && name.size() >= failOpenEndingWith.size() &&
            name.compare(name.size() - failOpenEndingWith.size(), std::string::npos,
                         failOpenEndingWith) == 0) {
            return -openError;
        }
        return FileSystemCalls::Open(path, flags, permissions);
    }
    int64_t Write(int fd, const void* bytes, size_t count) override {
        if (writesBeforeFailure >= 0 && writesSeen >= writesBeforeFailure) return -writeError;
        ++writesSeen;
        return FileSystemCalls::Write(fd, bytes, count);
    }
    int64_t Read(int fd, void* bytes, size_t count) override {
        return readError != 0 ? -readError : FileSystemCalls::Read(fd, bytes, count);
    }
    int Sync(int fd) override { return syncError != 0 ? -syncError : FileSystemCalls::Sync(fd); }
    int Rename(const char* from, const char* to) override {
        const std::string target = to;
        const bool chosen =
            renameOnlyTo.empty() || (target.size() >= renameOnlyTo.size() &&
                                     target.compare(target.size() - renameOnlyTo.size(),
                                                    std::string::npos, renameOnlyTo) == 0);
        if (renameError != 0 && chosen) return -renameError;
        return FileSystemCalls::Rename(from, to);
    }
};

// Real calls (or failing ones, as above) on a file system where chosen folders take no new,
// renamed or removed entries and chosen files cannot be written, as in a read-only install.
// Paths are compared made absolute against the working directory, without resolving links.
class LockedCalls : public FailingCalls {
  public:
    std::vector<std::string> lockedFolders;
    std::vector<std::string> lockedFiles;

    int Open(const char* path, int flags, mode_t permissions) override {
        const bool writes = (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
        if (writes && Listed(lockedFiles, Absolute(path))) return -EACCES;
        struct stat info {};
        if ((flags & O_CREAT) != 0 && ::stat(path, &info) != 0 && FolderLocked(path)) {
            return -EACCES;
        }
        return FailingCalls::Open(path, flags, permissions);
    }
    int Access(const char* path, int how) override {
        const std::string absolute = Absolute(path);
        if ((how & W_OK) != 0 &&
            (Listed(lockedFiles, absolute) || Listed(lockedFolders, absolute))) {
            return -EACCES;
        }
        return FailingCalls::Access(path, how);
    }
    int Rename(const char* from, const char* to) override {
        if (FolderLocked(from) || FolderLocked(to)) return -EACCES;
        return FailingCalls::Rename(from, to);
    }
    int Unlink(const char* path) override {
        return FolderLocked(path) ? -EACCES : FailingCalls::Unlink(path);
    }
    int MakeDirectory(const char* path, mode_t permissions) override {
        return FolderLocked(path) ? -EACCES : FailingCalls::MakeDirectory(path, permissions);
    }

    static std::string Absolute(const std::string& path) {
        std::string absolute = path;
        if (path.empty() || path[0] != '/') {
            char cwd[4096] = {};
            absolute = std::string(::getcwd(cwd, sizeof cwd) != nullptr ? cwd : "") + "/" + path;
        }
        while (absolute.size() > 1 && (absolute.back() == '/' || absolute.back() == '.')) {
            absolute.pop_back();
        }
        return absolute;
    }

  private:
    static bool Listed(const std::vector<std::string>& list, const std::string& path) {
        return std::find(list.begin(), list.end(), path) != list.end();
    }
    bool FolderLocked(const std::string& path) const {
        const std::string absolute = Absolute(path);
        return Listed(lockedFolders, absolute.substr(0, absolute.find_last_of('/')));
    }
};

// Installs failing calls for one test and restores the real ones after it.
class InstalledCalls {
  public:
    explicit InstalledCalls(FileSystemCalls& calls) { File_SetSystemCalls(&calls); }
    ~InstalledCalls() {
        Err_Reset();
        File_CloseAll();
        Err_Reset();
        File_SetSystemCalls(nullptr);
    }
    InstalledCalls(const InstalledCalls&) = delete;
    InstalledCalls& operator=(const InstalledCalls&) = delete;
};

}  // namespace filetest
