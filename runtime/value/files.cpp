// The sequential-file layer: the file-number map, the open-file table and the byte syntax.
#include "files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "errors.h"
#include "files_os.h"
#include "platform.h"
#include "shared_words.h"

// ---- The real system calls ------------------------------------------------------------------

int FileSystemCalls::Open(const char* path, int flags, mode_t permissions) {
    for (;;) {
        const int fd = ::open(path, flags | O_CLOEXEC, permissions);
        if (fd >= 0) return fd;
        if (errno != EINTR) return -errno;
    }
}

int64_t FileSystemCalls::Read(int fd, void* bytes, size_t count) {
    for (;;) {
        const ssize_t done = ::read(fd, bytes, count);
        if (done >= 0) return done;
        if (errno != EINTR) return -errno;
    }
}

int64_t FileSystemCalls::Write(int fd, const void* bytes, size_t count) {
    for (;;) {
        const ssize_t done = ::write(fd, bytes, count);
        if (done >= 0) return done;
        if (errno != EINTR) return -errno;
    }
}

int64_t FileSystemCalls::Seek(int fd, int64_t offset, int whence) {
    const off_t where = ::lseek(fd, static_cast<off_t>(offset), whence);
    return where < 0 ? -errno : static_cast<int64_t>(where);
}

int FileSystemCalls::Sync(int fd) {
    return ::fsync(fd) == 0 ? 0 : -errno;
}

int FileSystemCalls::Close(int fd) {
    // A close interrupted by a signal has still released the descriptor on this system, so
    // it is never repeated.
    return ::close(fd) == 0 ? 0 : -errno;
}

int FileSystemCalls::Stat(const char* path, struct stat* info) {
    return ::stat(path, info) == 0 ? 0 : -errno;
}

int FileSystemCalls::FileStat(int fd, struct stat* info) {
    return ::fstat(fd, info) == 0 ? 0 : -errno;
}

int FileSystemCalls::Rename(const char* from, const char* to) {
    return ::rename(from, to) == 0 ? 0 : -errno;
}

int FileSystemCalls::Unlink(const char* path) {
    return ::unlink(path) == 0 ? 0 : -errno;
}

int FileSystemCalls::Access(const char* path, int how) {
    return ::faccessat(AT_FDCWD, path, how, AT_EACCESS) == 0 ? 0 : -errno;
}

int FileSystemCalls::MakeDirectory(const char* path, mode_t permissions) {
    return ::mkdir(path, permissions) == 0 ? 0 : -errno;
}

int FileSystemCalls::FileChangeOwner(int fd, uid_t owner, gid_t group) {
    return ::fchown(fd, owner, group) == 0 ? 0 : -errno;
}

int FileSystemCalls::FileChangeMode(int fd, mode_t permissions) {
    return ::fchmod(fd, permissions) == 0 ? 0 : -errno;
}

int FileSystemCalls::FileTruncate(int fd, int64_t length) {
    for (;;) {
        if (::ftruncate(fd, static_cast<off_t>(length)) == 0) return 0;
        if (errno != EINTR) return -errno;
    }
}

int FileSystemCalls::FileLock(int fd) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        if (errno != EINTR) return -errno;
    }
}

namespace {

// The real calls are stateless; this object outlives the open-file table below because it is
// defined first in this file.
FileSystemCalls g_real_calls;
// The calls in force: the real ones unless a test has installed others (program thread only).
FileSystemCalls* g_calls = &g_real_calls;

}  // namespace

FileSystemCalls& File_SystemCalls() {
    return *g_calls;
}
void File_SetSystemCalls(FileSystemCalls* calls) {
    g_calls = calls == nullptr ? &g_real_calls : calls;
}

// ---- Error numbers --------------------------------------------------------------------------

namespace {

constexpr int32_t kIllegalFunctionCall = 5;
constexpr int32_t kBadFileNameOrNumber = 52;
constexpr int32_t kFileNotFound = 53;
constexpr int32_t kBadFileMode = 54;
constexpr int32_t kFileAlreadyOpen = 55;
constexpr int32_t kInputPastEnd = 62;
constexpr int32_t kBadFileName = 64;
constexpr int32_t kDeviceUnavailable = 68;
constexpr int32_t kPermissionDenied = 70;
constexpr int32_t kPathFileAccessError = 75;
constexpr int32_t kPathNotFound = 76;
constexpr int32_t kInvalidHandle = 258;

// The program's file numbers run from 1 to this; the number map never grows beyond it.
constexpr int32_t kHighestFileNumber = 32767;
constexpr int64_t kDefaultRecordLength = 128;
// A record is read into strings, whose length is a signed 32-bit count: a longer record
// buffer could never be used, and asking for one is exhausted memory.
constexpr int64_t kLongestRecord = INT32_MAX;
// No room for a record buffer: critical "Out of memory" #1.
constexpr int64_t kHeapExhausted = 257;
constexpr uint8_t kEndOfFileByte = 26;
constexpr int64_t kZoneWidth = 14;

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The system says "no such entry" both for a missing file and for a missing directory on its
// way; the program's numbers tell them apart, so the directory is looked at.
bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return File_SystemCalls().Stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int32_t OpenErrorNumber(int error, const std::string& path) {
    switch (error) {
        case ENOENT:
            return DirectoryExists(DirectoryOf(path)) ? kFileNotFound : kPathNotFound;
        case ENOTDIR:
            return kPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
        case EISDIR:
        case EBUSY:
        case EAGAIN:
            return kPermissionDenied;
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM:
            return kDeviceUnavailable;
        case ENAMETOOLONG:
            return kBadFileName;
        default:
            return kFileNotFound;
    }
}

// Failures of reads and writes (and of finishing an output file).
int32_t IoErrorNumber(int error) {
    switch (error) {
        case EBADF:
            return kInvalidHandle;
        case EINVAL:
        case EFAULT:
            return kIllegalFunctionCall;
        case EACCES:
        case EPERM:
        case EROFS:
        case EBUSY:
            return kPermissionDenied;
        default:
            return kPathFileAccessError;
    }
}

// ---- The open-file table --------------------------------------------------------------------

struct FileEntry {
    FileEntry() = default;
    FileEntry(const FileEntry&) = delete;
    FileEntry& operator=(const FileEntry&) = delete;
    ~FileEntry() {
        // Output that was never finished leaves the file it was meant for untouched. The
        // temporary file goes while this entry still holds its lock, so no other save takes it
        // over half removed; a file that only this open had created (empty) goes with it.
        if (!temporaryPath.empty()) {
            File_SystemCalls().Unlink(temporaryPath.c_str());
            if (createdTarget) RemoveIfEmpty(targetPath);
        }
        if (handle >= 0) File_SystemCalls().Close(handle);
    }

    static void RemoveIfEmpty(const std::string& path) {
        struct stat info {};
        if (File_SystemCalls().Stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_size == 0) {
            File_SystemCalls().Unlink(path.c_str());
        }
    }

    int handle = -1;
    FileMode mode = FileMode::Random;  // append files are stored as Output
    bool readable = false;
    bool writable = false;
    FileLock shareFlags = FileLock::None;
    int64_t position = 0;
    int64_t column = 1;
    bool endOfFile = false;
    int64_t recordLength = 0;
    std::vector<uint8_t> recordBuffer;
    int32_t number = 0;
    bool appendMode = false;
    // Output written beside the file and renamed over it on close (empty when in place).
    std::string targetPath;
    std::string temporaryPath;
    // The open created the file it replaces (it did not exist before).
    bool createdTarget = false;
    // A write to the temporary file failed: its contents are incomplete and never replace
    // the old file.
    bool outputFailed = false;
    // Rewritten in place (a folder that takes no new file): the output is kept here and
    // written over the old contents by the close, in one call, so that until then the file
    // holds the old contents whole, and output that is abandoned leaves them as they were.
    bool heldInMemory = false;
    std::string held;
};

// The runtime's file tables, used only by the program thread (and by the shutdown sequence
// after that thread has stopped). The number map holds, for each file number, the index of
// its entry in the open-file table or -1; place 0 is unused.
std::vector<int32_t> g_number_map;
std::vector<std::unique_ptr<FileEntry>> g_open_files;

FileEntry* FindEntry(int32_t number) {
    if (number < 1 || static_cast<size_t>(number) >= g_number_map.size()) return nullptr;
    const int32_t index = g_number_map[static_cast<size_t>(number)];
    return index < 0 ? nullptr : g_open_files[static_cast<size_t>(index)].get();
}

void Register(std::unique_ptr<FileEntry> entry) {
    const auto number = static_cast<size_t>(entry->number);
    if (g_number_map.size() <= number) g_number_map.resize(number + 1, -1);
    size_t index = 0;
    while (index < g_open_files.size() && g_open_files[index] != nullptr) ++index;
    if (index == g_open_files.size()) g_open_files.emplace_back();
    g_open_files[index] = std::move(entry);
    g_number_map[number] = static_cast<int32_t>(index);
}

std::unique_ptr<FileEntry> Unregister(int32_t number) {
    const int32_t index = g_number_map[static_cast<size_t>(number)];
    g_number_map[static_cast<size_t>(number)] = -1;
    return std::move(g_open_files[static_cast<size_t>(index)]);
}

// ---- Opening --------------------------------------------------------------------------------

int AccessFlags(bool readable, bool writable) {
    if (readable && writable) return O_RDWR;
    return writable ? O_WRONLY : O_RDONLY;
}

// The hidden file beside `target` that its new contents are written to before they are renamed
// over it. There is one such name per file, so a save killed halfway leaves at most this file
// behind, and the next save of the same file takes it over.
std::string TemporaryPathFor(const std::string& target) {
    return DirectoryOf(target) + "/." + BaseNameOf(target) + ".tmp";
}

// How long a save waits for another save of the same file (another process) to finish.
constexpr int kLockAttempts = 50;
constexpr auto kLockRetryDelay = std::chrono::milliseconds(20);

// Opens the temporary file `temporary` locked and emptied. Returns the descriptor or a negative
// errno (-EWOULDBLOCK when another save kept it locked all the time).
int OpenTemporary(const std::string& temporary, int access) {
    FileSystemCalls& calls = File_SystemCalls();
    bool removedForeign = false;
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        const int fd = calls.Open(temporary.c_str(), access | O_CREAT | O_NOFOLLOW, 0666);
        if ((fd == -EACCES || fd == -EPERM) && !removedForeign) {
            // The leftover of another user's save, when the folder lets it be removed.
            removedForeign = true;
            if (calls.Unlink(temporary.c_str()) == 0) continue;
        }
        if (fd < 0) return fd;
        // A file system without locks is written unlocked, as before locks existed.
        if (calls.FileLock(fd) == -EWOULDBLOCK) {
            calls.Close(fd);
            // Another process holds it: a wait that no clock of this one can end, so the thread
            // steps out of the clock meanwhile (in virtual time the others go on).
            const plat::ClockAway away(plat::Plat().clock);
            std::this_thread::sleep_for(kLockRetryDelay);
            continue;
        }
        // The save that held the lock may have renamed this file into place or removed it
        // meanwhile; then the name is taken anew.
        struct stat held {};
        struct stat named {};
        if (calls.FileStat(fd, &held) == 0 && calls.Stat(temporary.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            const int emptied = calls.FileTruncate(fd, 0);
            if (emptied == 0) return fd;
            calls.Close(fd);
            return emptied;
        }
        calls.Close(fd);
    }
    return -EWOULDBLOCK;
}

// The new file takes the old one's owner, group and permissions as far as this process may give
// them, so a player's table saved once by the superuser stays the player's. What cannot be kept
// stays this process's.
void KeepOwnerAndMode(int fd, const struct stat& old) {
    FileSystemCalls& calls = File_SystemCalls();
    if (calls.FileChangeOwner(fd, old.st_uid, old.st_gid) < 0) {
        calls.FileChangeOwner(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    calls.FileChangeMode(fd, old.st_mode & 07777);
}

// A folder that refuses a new file, although the file in it may be writable.
bool FolderRefuses(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// Opens `path` for output through a temporary file in the same directory. A missing file is
// created (opening for output makes it exist) but an existing one is never emptied here. When
// the folder takes no new file but the file itself can be written (a shared table in a
// read-only folder), the file is rewritten in place instead: emptied now and filled as it is
// written. Returns 0 or an error number.
int32_t OpenForReplacement(const std::string& path, FileEntry& entry) {
    FileSystemCalls& calls = File_SystemCalls();
    // Opening the file itself for writing checks what the old rewrite in place checked: a
    // missing directory, a read-only file, a directory of that name.
    bool created = false;
    int probe = calls.Open(path.c_str(), O_WRONLY, 0);
    if (probe == -ENOENT) {
        probe = calls.Open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        created = probe >= 0;
    }
    if (probe < 0) return OpenErrorNumber(-probe, path);
    struct stat info {};
    if (calls.FileStat(probe, &info) < 0 || !S_ISREG(info.st_mode)) {
        // A device has no contents to protect: it is written as it is.
        entry.handle = probe;
        return 0;
    }

    // Through a symbolic link the file it names is replaced, and the link stays.
    std::string target = path;
    if (std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
        real != nullptr) {
        target = real.get();
    }
    const std::string temporary = TemporaryPathFor(target);
    const int fd = OpenTemporary(temporary, AccessFlags(entry.readable, true));
    if (fd < 0 && !created && FolderRefuses(-fd)) {
        entry.handle = probe;
        entry.heldInMemory = true;
        return 0;
    }
    calls.Close(probe);
    if (fd < 0) {
        if (created) FileEntry::RemoveIfEmpty(path);
        return OpenErrorNumber(-fd, temporary);
    }
    KeepOwnerAndMode(fd, info);
    entry.handle = fd;
    entry.targetPath = target;
    entry.temporaryPath = temporary;
    entry.createdTarget = created;
    return 0;
}

// Opens the file of a mode written or read in place. Returns 0 or an error number.
int32_t OpenInPlace(const std::string& path, FileEntry& entry, bool create) {
    FileSystemCalls& calls = File_SystemCalls();
    const int extra = create ? O_CREAT : 0;
    int fd = calls.Open(path.c_str(), AccessFlags(entry.readable, entry.writable) | extra, 0666);
    const bool randomOrBinary = entry.mode == FileMode::Random || entry.mode == FileMode::Binary;
    if (fd < 0 && randomOrBinary && entry.readable && entry.writable) {
        fd = calls.Open(path.c_str(), O_RDONLY | extra, 0666);
        if (fd >= 0) {
            entry.writable = false;
        } else {
            fd = calls.Open(path.c_str(), O_WRONLY | extra, 0666);
            if (fd >= 0) entry.readable = false;
        }
    }
    if (fd < 0) return OpenErrorNumber(-fd, path);
    entry.handle = fd;
    return 0;
}

// Checks made once the file is open. Returns 0 or an error number.
int32_t PrepareOpenedFile(FileEntry& entry) {
    FileSystemCalls& calls = File_SystemCalls();
    struct stat info {};
    const int stat_result = calls.FileStat(entry.handle, &info);
    // A directory opens on this system but is no file to the program.
    if (stat_result == 0 && S_ISDIR(info.st_mode)) return kPermissionDenied;
    if (entry.appendMode) {
        const int64_t end = calls.Seek(entry.handle, 0, SEEK_END);
        if (end >= 0) entry.position = end;
    }
    if (entry.mode == FileMode::Input && entry.readable && stat_result == 0 && info.st_size > 0) {
        // A file that begins with Ctrl-Z is empty to the program.
        uint8_t first = 0;
        const int64_t done = calls.Read(entry.handle, &first, 1);
        if (done < 0) return -done == EACCES ? kPermissionDenied : kPathFileAccessError;
        if (done == 1 && first == kEndOfFileByte) entry.endOfFile = true;
        if (calls.Seek(entry.handle, 0, SEEK_SET) < 0) return kPathFileAccessError;
    }
    return 0;
}

// ---- Writing --------------------------------------------------------------------------------

// Writes all bytes and follows the column; raises and returns false on a failure.
bool WriteBytes(FileEntry& entry, const RtString& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        int64_t written = static_cast<int64_t>(bytes.size() - done);
        if (entry.heldInMemory) {
            entry.held.append(bytes.data() + done, bytes.size() - done);
        } else {
            written =
                File_SystemCalls().Write(entry.handle, bytes.data() + done, bytes.size() - done);
        }
        if (written <= 0) {
            if (!entry.temporaryPath.empty()) entry.outputFailed = true;
            Err_Raise(written < 0 ? IoErrorNumber(static_cast<int>(-written))
                                  : kPathFileAccessError);
            return false;
        }
        for (size_t i = done; i < done + static_cast<size_t>(written); ++i) {
            const auto byte = static_cast<uint8_t>(bytes[i]);
            if (byte == 13) {
                entry.column = 1;
            } else if (byte != 10) {
                ++entry.column;
            }
        }
        entry.position += written;
        done += static_cast<size_t>(written);
    }
    return true;
}

// Flushes the temporary file and puts it in the place of the old one. Returns 0 or an error
// number; on a failure the old file is untouched and the temporary one is removed later.
int32_t FinishReplacement(FileEntry& entry) {
    FileSystemCalls& calls = File_SystemCalls();
    int result = calls.Sync(entry.handle);
    if (result < 0) return IoErrorNumber(-result);
    // Renamed while still open and locked, so no other save can take the file over between its
    // last write and its new name.
    result = calls.Rename(entry.temporaryPath.c_str(), entry.targetPath.c_str());
    if (result < 0) return IoErrorNumber(-result);
    entry.temporaryPath.clear();
    // Flushed and renamed, the contents are in place; closing has nothing left to lose.
    calls.Close(entry.handle);
    entry.handle = -1;
    // The rename itself reaches the disk with the directory (best effort: some file systems
    // cannot flush a directory).
    const int directory = calls.Open(DirectoryOf(entry.targetPath).c_str(), O_RDONLY, 0);
    if (directory >= 0) {
        calls.Sync(directory);
        calls.Close(directory);
    }
    return 0;
}

// Writes the output held for a rewrite in place over the old contents, then cuts the file to
// its new length. Returns 0 or an error number. The new contents go in one call, which a
// killed process does not tear for a file this small; until the cut, old bytes past the end of
// shorter new contents are left after them, where a reader of the new records does not look.
int32_t FinishInPlace(FileEntry& entry) {
    FileSystemCalls& calls = File_SystemCalls();
    if (calls.Seek(entry.handle, 0, SEEK_SET) < 0) return kPathFileAccessError;
    size_t done = 0;
    while (done < entry.held.size()) {
        const int64_t written =
            calls.Write(entry.handle, entry.held.data() + done, entry.held.size() - done);
        if (written <= 0) {
            return written < 0 ? IoErrorNumber(static_cast<int>(-written)) : kPathFileAccessError;
        }
        done += static_cast<size_t>(written);
    }
    int result = calls.FileTruncate(entry.handle, static_cast<int64_t>(done));
    if (result == 0) result = calls.Sync(entry.handle);
    return result < 0 ? IoErrorNumber(-result) : 0;
}

// ---- Reading --------------------------------------------------------------------------------

constexpr int kEnd = -1;     // the end of the file or a Ctrl-Z
constexpr int kFailed = -2;  // a read failure, raised, or a stop: the read is abandoned

// Reads one byte, one call each. A field may be many megabytes long, so a program told to stop
// (a closed window, a signal) leaves the read at once instead of at the end of its statement,
// which parks it.
int ReadByte(FileEntry& entry, bool ctrlZEnds) {
    if (entry.endOfFile) return kEnd;
    if (Rt_Words().stop.load(std::memory_order_relaxed) != 0) return kFailed;
    uint8_t byte = 0;
    const int64_t done = File_SystemCalls().Read(entry.handle, &byte, 1);
    if (done < 0) {
        Err_Raise(IoErrorNumber(static_cast<int>(-done)));
        return kFailed;
    }
    if (done == 0) {
        entry.endOfFile = true;
        return kEnd;
    }
    ++entry.position;
    if (ctrlZEnds && byte == kEndOfFileByte) {
        entry.endOfFile = true;
        return kEnd;
    }
    return byte;
}

bool StepBack(FileEntry& entry) {
    const int64_t where = File_SystemCalls().Seek(entry.handle, -1, SEEK_CUR);
    if (where < 0) {
        Err_Raise(IoErrorNumber(static_cast<int>(-where)));
        return false;
    }
    entry.position = where;
    return true;
}

bool IsLineEnd(int byte) {
    return byte == 13 || byte == 10;
}
bool IsBlank(int byte) {
    return byte == ' ' || byte == '\t';
}

// After a CR or LF: the other line-end byte belongs to the same line end.
bool FinishLineEnd(FileEntry& entry, int first) {
    const int next = ReadByte(entry, true);
    if (next == kFailed) return false;
    if (next == kEnd) return true;
    if (IsLineEnd(next) && next != first) return true;
    return StepBack(entry);
}

// Closes an open number; for output through a temporary file, this is where the new
// contents replace the old file. A failure is raised and the old file stays as it was.
void CloseNumber(int32_t number) {
    std::unique_ptr<FileEntry> entry = Unregister(number);
    if (!entry->temporaryPath.empty() && !entry->outputFailed) {
        const int32_t error = FinishReplacement(*entry);
        if (error != 0) Err_Raise(error);
    } else if (entry->heldInMemory) {
        const int32_t error = FinishInPlace(*entry);
        if (error != 0) Err_Raise(error);
    }
    // The entry's destructor closes the handle and removes an unused temporary file.
}

}  // namespace

// ---- The operations -------------------------------------------------------------------------

void File_Open(const RtString& name, FileMode mode, FileAccess access, FileLock lock,
               int32_t number, std::optional<int64_t> recordLength) {
    if (Err_IsPending()) return;
    if (mode == FileMode{0}) mode = FileMode::Random;
    if (static_cast<int32_t>(mode) < 1 || static_cast<int32_t>(mode) > 5) {
        Err_Raise(kIllegalFunctionCall);
        return;
    }
    if (recordLength.has_value() && *recordLength <= 0 && *recordLength != -1) {
        Err_Raise(kIllegalFunctionCall);
        return;
    }
    if (number < 1 || number > kHighestFileNumber) {
        Err_Raise(kBadFileNameOrNumber);
        return;
    }
    if (FindEntry(number) != nullptr) {
        Err_Raise(kFileAlreadyOpen);
        return;
    }
    // The system's names end at the first zero byte, so a name holding one would open
    // another file than the one the program named.
    if (name.empty() || name.find('\0') != RtString::npos) {
        Err_Raise(kBadFileName);
        return;
    }

    auto entry = std::make_unique<FileEntry>();
    entry->number = number;
    entry->shareFlags = lock;
    entry->appendMode = mode == FileMode::Append;
    entry->mode = mode == FileMode::Append ? FileMode::Output : mode;
    switch (mode) {
        case FileMode::Random:
        case FileMode::Binary:
            entry->readable = entry->writable = true;
            break;
        case FileMode::Input:
            entry->readable = true;
            break;
        case FileMode::Output:
        case FileMode::Append:
            entry->writable = true;
            break;
    }
    if (access != FileAccess::ByMode) {
        entry->readable = access != FileAccess::Write;
        entry->writable = access != FileAccess::Read;
    }

    int32_t error = 0;
    if (mode == FileMode::Output && entry->writable) {
        error = OpenForReplacement(name, *entry);
    } else {
        error = OpenInPlace(name, *entry, mode != FileMode::Input);
    }
    if (error == 0) error = PrepareOpenedFile(*entry);
    if (error != 0) {
        Err_Raise(error);
        return;  // the entry's destructor closes and removes what was made
    }
    if (entry->mode == FileMode::Random) {
        entry->recordLength =
            recordLength.value_or(-1) == -1 ? kDefaultRecordLength : *recordLength;
        bool made = false;
        if (entry->recordLength <= kLongestRecord) {
            try {
                entry->recordBuffer.assign(static_cast<size_t>(entry->recordLength), 0);
                made = true;
            } catch (const std::bad_alloc&) {
            }
        }
        if (!made) {
            Err_Raise(kHeapExhausted);  // critical: does not come back
            return;
        }
    }
    Register(std::move(entry));
}

void File_Close(int32_t number) {
    if (Err_IsPending()) return;
    if (FindEntry(number) != nullptr) CloseNumber(number);
}

void File_CloseAll() {
    // There are no network connections in this runtime, so only files are closed.
    //
    // Once the program is being stopped (window closed, stop key) it may have been halted
    // between two prints; output it did not close itself is abandoned, so the old file stays
    // whole instead of being replaced by a part of the new one.
    const bool stopping = Rt_Words().stop.load(std::memory_order_acquire) != 0;
    if (!stopping && Err_IsPending()) return;
    for (size_t number = 1; number < g_number_map.size(); ++number) {
        if (g_number_map[number] < 0) continue;
        if (stopping) {
            Unregister(static_cast<int32_t>(number));
        } else {
            // Every file is closed even after one fails; the first failure is the one raised.
            CloseNumber(static_cast<int32_t>(number));
        }
    }
}

size_t File_OpenCount() {
    return static_cast<size_t>(
        std::count_if(g_number_map.begin(), g_number_map.end(), [](int32_t i) { return i >= 0; }));
}

void File_Print(int32_t number, const RtString& text, FilePrintFlags flags) {
    if (Err_IsPending()) return;
    FileEntry* entry = FindEntry(number);
    if (entry == nullptr) {
        Err_Raise(kBadFileNameOrNumber);
        return;
    }
    if (entry->mode != FileMode::Output) {
        Err_Raise(kBadFileMode);
        return;
    }
    if (!entry->writable) {
        Err_Raise(kPathFileAccessError);
        return;
    }
    // The failure that made the output incomplete has been raised already.
    if (entry->outputFailed) return;
    if (!text.empty() && !WriteBytes(*entry, text)) return;
    if (flags.blank && !WriteBytes(*entry, " ")) return;
    if (flags.zone) {
        const int64_t after_blank = entry->column + 1;
        const int64_t into_zone = (after_blank - 1) % kZoneWidth;
        const int64_t pad = into_zone > 0 ? kZoneWidth - into_zone : 0;
        if (!WriteBytes(*entry, RtString(static_cast<size_t>(1 + pad), ' '))) return;
    }
    if (flags.lineEnd && !WriteBytes(*entry, "\r\n")) return;
}

void File_InputField(int32_t number, RtString& variable) {
    if (Err_IsPending()) return;
    FileEntry* entry = FindEntry(number);
    if (entry == nullptr) {
        Err_Raise(kBadFileNameOrNumber);
        return;
    }
    if (entry->mode != FileMode::Input) {
        Err_Raise(kBadFileMode);
        return;
    }
    if (!entry->readable) {
        Err_Raise(kPathFileAccessError);
        return;
    }

    int byte = ReadByte(*entry, true);
    while (IsBlank(byte)) byte = ReadByte(*entry, true);
    if (byte == kFailed) return;
    if (byte == kEnd) {
        variable.clear();
        Err_Raise(kInputPastEnd);
        return;
    }

    RtString field;
    int terminator = kEnd;  // the comma or line-end byte that ended the field, or kEnd
    if (byte == '"') {
        for (byte = ReadByte(*entry, true); byte >= 0 && byte != '"';
             byte = ReadByte(*entry, true)) {
            field.push_back(static_cast<char>(byte));
        }
        if (byte == kFailed) return;
        // What follows the closing quote, up to the comma or line end, is not part of it.
        if (byte == '"') {
            do {
                byte = ReadByte(*entry, true);
            } while (byte >= 0 && byte != ',' && !IsLineEnd(byte));
            if (byte == kFailed) return;
        }
        terminator = byte;
    } else {
        while (byte >= 0 && byte != ',' && !IsLineEnd(byte)) {
            field.push_back(static_cast<char>(byte));
            byte = ReadByte(*entry, true);
        }
        if (byte == kFailed) return;
        terminator = byte;
        while (!field.empty() && IsBlank(static_cast<uint8_t>(field.back()))) field.pop_back();
    }
    if (IsLineEnd(terminator) && !FinishLineEnd(*entry, terminator)) return;
    variable = field;
}

RtString File_ReadChars(int64_t count, int32_t number) {
    if (Err_IsPending()) return {};
    FileEntry* entry = FindEntry(number);
    if (entry == nullptr) {
        Err_Raise(kBadFileNameOrNumber);
        return {};
    }
    if (entry->mode != FileMode::Input && entry->mode != FileMode::Binary) {
        Err_Raise(kInputPastEnd);
        return {};
    }
    if (!entry->readable) {
        Err_Raise(kPathFileAccessError);
        return {};
    }
    if (count < 0) {
        Err_Raise(kIllegalFunctionCall);
        return {};
    }
    RtString bytes;
    if (entry->mode == FileMode::Input) {
        for (int64_t i = 0; i < count; ++i) {
            const int byte = ReadByte(*entry, true);
            if (byte == kFailed) return {};
            if (byte == kEnd) {
                Err_Raise(kInputPastEnd);
                return {};
            }
            bytes.push_back(static_cast<char>(byte));
        }
        return bytes;
    }
    // Binary: as many of the bytes as the file still holds, read in pieces so that a huge
    // count costs nothing beyond the file's end.
    constexpr int64_t kPiece = 65536;
    while (static_cast<int64_t>(bytes.size()) < count) {
        const int64_t want = std::min(kPiece, count - static_cast<int64_t>(bytes.size()));
        const size_t old_size = bytes.size();
        bytes.resize(old_size + static_cast<size_t>(want));
        const int64_t done = File_SystemCalls().Read(entry->handle, bytes.data() + old_size,
                                                     static_cast<size_t>(want));
        if (done < 0) {
            Err_Raise(IoErrorNumber(static_cast<int>(-done)));
            return {};
        }
        bytes.resize(old_size + static_cast<size_t>(done));
        entry->position += done;
        if (done == 0) break;
    }
    return bytes;
}

int64_t File_Column(int32_t number) {
    const FileEntry* entry = FindEntry(number);
    return entry == nullptr ? 0 : entry->column;
}

bool File_CopyWhenMissing(const std::string& from, const std::string& to) {
    FileSystemCalls& calls = File_SystemCalls();
    struct stat info {};
    if (calls.Stat(to.c_str(), &info) == 0) return true;

    // The source is read whole first; the files copied this way are small tables.
    constexpr size_t kMostBytes = 1 << 20;
    std::string bytes;
    const int source = calls.Open(from.c_str(), O_RDONLY, 0);
    if (source < 0) return false;
    char piece[4096];
    int64_t done = 0;
    while ((done = calls.Read(source, piece, sizeof piece)) > 0 && bytes.size() <= kMostBytes) {
        bytes.append(piece, static_cast<size_t>(done));
    }
    calls.Close(source);
    if (done < 0 || bytes.size() > kMostBytes) return false;

    const std::string temporary = TemporaryPathFor(to);
    const int fd = OpenTemporary(temporary, O_WRONLY);
    if (fd < 0) return false;
    // A save of `to` that held the lock may have made the file meanwhile.
    bool copied = calls.Stat(to.c_str(), &info) == 0;
    if (!copied) {
        size_t written = 0;
        while (written < bytes.size()) {
            const int64_t step = calls.Write(fd, bytes.data() + written, bytes.size() - written);
            if (step <= 0) break;
            written += static_cast<size_t>(step);
        }
        copied = written == bytes.size() && calls.Sync(fd) == 0 &&
                 calls.Rename(temporary.c_str(), to.c_str()) == 0;
    }
    if (!copied || calls.Stat(temporary.c_str(), &info) == 0) calls.Unlink(temporary.c_str());
    calls.Close(fd);
    return copied;
}
