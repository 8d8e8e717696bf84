// The system calls under the sequential files, behind a seam so tests can make them fail.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>

// Each call returns its result or a negative errno, so no caller depends on `errno` surviving
// between calls.
class FileSystemCalls {
  public:
    virtual ~FileSystemCalls() = default;
    virtual int Open(const char* path, int flags, mode_t permissions);
    virtual int64_t Read(int fd, void* bytes, size_t count);
    virtual int64_t Write(int fd, const void* bytes, size_t count);
    virtual int64_t Seek(int fd, int64_t offset, int whence);
    virtual int Sync(int fd);
    virtual int Close(int fd);
    virtual int Stat(const char* path, struct stat* info);
    virtual int FileStat(int fd, struct stat* info);
    virtual int Rename(const char* from, const char* to);
    virtual int Unlink(const char* path);
    // Whether this process may use `path` as `how` says (W_OK, R_OK), by its effective ids.
    virtual int Access(const char* path, int how);
    virtual int MakeDirectory(const char* path, mode_t permissions);
    virtual int FileChangeOwner(int fd, uid_t owner, gid_t group);
    virtual int FileChangeMode(int fd, mode_t permissions);
    virtual int FileTruncate(int fd, int64_t length);
    // An exclusive lock on the whole file that never waits (-EWOULDBLOCK when another open
    // file holds it); the system drops it when the file is closed or its process ends.
    virtual int FileLock(int fd);
};

// The calls in force. Installed by tests on the program thread while no file is open;
// null restores the real ones.
FileSystemCalls& File_SystemCalls();
void File_SetSystemCalls(FileSystemCalls* calls);
