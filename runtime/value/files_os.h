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
};

// The calls in force. Installed by tests on the program thread while no file is open;
// null restores the real ones.
FileSystemCalls& File_SystemCalls();
void File_SetSystemCalls(FileSystemCalls* calls);
