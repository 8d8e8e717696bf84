// Sequential files: opening under a number, printing with zones, reading fields, closing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "rt_string.h"

// Modes of File_Open; 0 counts as Random.
enum class FileMode : int32_t { Random = 1, Binary = 2, Input = 3, Output = 4, Append = 5 };

// An explicit access choice replaces the one that follows from the mode.
enum class FileAccess : uint8_t { ByMode, ReadWrite, Read, Write };

// Lock choices are recorded with the file but change nothing: the game opens every file alone.
enum class FileLock : uint8_t { None, Shared, LockRead, LockWrite, LockReadWrite };

// What File_Print adds after the string.
struct FilePrintFlags {
    bool blank = false;    // one blank
    bool zone = false;     // one blank, then blanks up to the next 14-column zone
    bool lineEnd = false;  // CR LF
};

// Opens `name` under `number` (1 and up). A record length, when given, must be positive or
// -1 (the default, 128). Errors: 5, 52, 55, 53, 76, 70, 68, 64, 75; a record buffer larger
// than memory or a string can hold is the critical "Out of memory" #1.
//
// A file opened for output (mode Output with write access) never loses its previous contents
// on a failure: the records go to a temporary file beside it (".NAME.tmp", locked while in
// use, so two saves of one file take turns and a leftover of a killed save is taken over),
// which File_Close flushes and renames over the file, keeping its owner, group and
// permissions where the process may. Until then the file keeps what it held; a failure at any
// point leaves it whole and is raised with its number. When the folder takes no new file but
// the file itself is writable, it is rewritten in place: its new contents are held until
// File_Close writes them over the old ones in one call and cuts the file to their length, so
// it too keeps what it held until then (a failure of that write can leave it part new, part
// old). Append, random and binary files are written in place, since opening them does
// not throw away what they hold.
void File_Open(const RtString& name, FileMode mode, FileAccess access, FileLock lock,
               int32_t number, std::optional<int64_t> recordLength = std::nullopt);

// Closes one number; a number that is not open is ignored. For a file opened for output this
// is where its contents replace the old file (a failure here raises 75 or 70, and the old
// file stays as it was).
void File_Close(int32_t number);

// Closes every open file from number 1 up (the program's end and the shutdown sequence).
void File_CloseAll();
// How many file numbers are open now (program thread).
size_t File_OpenCount();

// Writes the string's bytes and what the flags add. Errors: 52 not open, 54 not an output or
// append file, 75 not writable; write failures 258, 5, 70 or 75. After a write failure the
// file's output is incomplete: later prints to it do nothing and File_Close keeps the old file.
void File_Print(int32_t number, const RtString& text, FilePrintFlags flags = {});

// Reads one comma- or line-separated field into `variable`. Errors: 52, 54, 75; 62 when the
// end of the file comes before the field (the variable then holds the empty string); read
// failures 258, 5, 70 or 75.
void File_InputField(int32_t number, RtString& variable);

// `count` bytes of an input file (62 at its end) or a binary file (a short read gives a
// shorter string). Errors: 52, 62 for other modes, 75 not readable, 5 for a negative count.
RtString File_ReadChars(int64_t count, int32_t number);

// The print column of an open file, starting at 1 (0 when the number is not open).
int64_t File_Column(int32_t number);

// Makes `to` a copy of the file `from` unless `to` exists already; the copy is written to the
// temporary file that output to `to` uses and renamed into place, so `to` is never seen half
// written. Raises no error: returns whether `to` exists afterwards.
bool File_CopyWhenMissing(const std::string& from, const std::string& to);
