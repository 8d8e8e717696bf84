// Fuzz target: File_InputField over an arbitrary file, field after field until error 62.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files.h"
#include "fuzz_runtime.h"

namespace {

fuzz::ScratchFolder* g_folder = nullptr;

[[noreturn]] void Fail(const char* what, uint32_t error) {
    std::fprintf(stderr, "fuzz: %s (error %u)\n", what, error);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    fuzz::StartProgramThread();
    static fuzz::ScratchFolder folder;
    g_folder = &folder;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = g_folder->Write("fields.txt", data, size);
    File_Open(file, FileMode::Input, FileAccess::ByMode, FileLock::None, 1);
    if (Err_IsPending()) Fail("the file does not open", Err_Pending());
    // Every field takes at least one byte, so the end comes after at most size + 1 fields.
    size_t fields = 0;
    size_t bytes = 0;
    for (;;) {
        RtString field = "unchanged";
        File_InputField(1, field);
        if (Err_IsPending()) {
            if (Err_Pending() != 62) Fail("a field fails other than at the end", Err_Pending());
            if (!field.empty()) Fail("the field at the end is not empty", 62);
            break;
        }
        bytes += field.size();
        if (++fields > size + 1 || bytes > size) Fail("more read than the file holds", 0);
    }
    fuzz::ResetStatement();
    File_Close(1);
    if (Err_IsPending()) Fail("closing fails", Err_Pending());
    return 0;
}
