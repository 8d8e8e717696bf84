// Rt_SetSegment and Rt_LoadMemoryImage over the files layer's system calls.
#include "memory_image.h"

#include <fcntl.h>

#include <vector>

#include "errors.h"
#include "files_os.h"
#include "image_page.h"
#include "low_memory.h"

namespace {

constexpr int32_t kOverflow = 6;
constexpr int32_t kFileNotFound = 53;
constexpr int32_t kBadFileMode = 54;

// Runtime word: the current segment's base in LowMemory. Read and written only by the program
// thread; the default data area until a segment is chosen.
uint32_t g_segmentBase = kLowMemDataSegment;

// Closes the file however the load ends.
class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const char* path) : fd_(File_SystemCalls().Open(path, O_RDONLY, 0)) {}
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile() {
        if (fd_ >= 0) File_SystemCalls().Close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }

    // Reads up to `count` bytes; fewer only at the end of the file or on a failure.
    size_t ReadFully(uint8_t* bytes, size_t count) const {
        size_t done = 0;
        while (done < count) {
            const int64_t got = File_SystemCalls().Read(fd_, bytes + done, count - done);
            if (got <= 0) break;
            done += static_cast<size_t>(got);
        }
        return done;
    }

  private:
    int fd_ = -1;
};

}  // namespace

void Rt_SetSegment(int64_t segment, int32_t given) {
    if (Err_IsPending()) return;
    if ((given & 1) == 0) {
        g_segmentBase = kLowMemDataSegment;
        return;
    }
    if (segment < -65536 || segment > 65535) {
        Err_Raise(kOverflow);
        return;
    }
    g_segmentBase = static_cast<uint32_t>(segment & 0xFFFF) * 16;
}

uint32_t Rt_SegmentBase() {
    return g_segmentBase;
}

void Rt_LoadMemoryImage(const RtString& file_name, int64_t offset, int32_t given,
                        uint32_t capacity_bytes) {
    if (Err_IsPending()) return;
    if ((given & 1) != 0 && (offset < -65536 || offset > 65535)) {
        Err_Raise(kOverflow);
        return;
    }
    // A name with a NUL inside names no file the program could have meant.
    if (file_name.empty() || file_name.find('\0') != RtString::npos) {
        Err_Raise(kFileNotFound);
        return;
    }
    const ReadOnlyFile file(file_name.c_str());
    struct stat info {};
    const bool have_info =
        file.IsOpen() && File_SystemCalls().FileStat(file.Descriptor(), &info) == 0;
    // A directory opens here but is no file to read, as on the systems the files come from.
    if (!file.IsOpen() || (have_info && S_ISDIR(info.st_mode))) {
        Err_Raise(kFileNotFound);
        return;
    }
    uint8_t header[kMemoryImageHeaderBytes] = {};
    if (file.ReadFully(header, sizeof header) < sizeof header || header[0] != kMemoryImageMarker) {
        Err_Raise(kBadFileMode);
        return;
    }
    const uint32_t file_segment = header[1] | (header[2] << 8);
    const uint32_t file_offset = header[3] | (header[4] << 8);
    uint64_t length = header[5] | (header[6] << 8);
    if (length == 0) {
        if (have_info && info.st_size >= kMemoryImageHeaderBytes) {
            length = static_cast<uint64_t>(info.st_size) - kMemoryImageHeaderBytes;
        }
        if (length < 65536) length = 0;
    }
    const uint64_t destination =
        (given & 1) != 0 ? uint64_t{g_segmentBase} + (static_cast<uint64_t>(offset) & 0xFFFF)
                         : uint64_t{file_segment} * 16 + file_offset;
    // Never past the buffer the caller named, nor past the emulated memory itself.
    if (length > capacity_bytes || destination + length > kLowMemorySize) {
        Err_Raise(kBadFileMode);
        return;
    }
    std::vector<uint8_t> body(static_cast<size_t>(length));
    if (file.ReadFully(body.data(), body.size()) < body.size()) {
        Err_Raise(kBadFileMode);
        return;
    }
    // Whole or not at all; the stores are atomic because the text pages and the pixels of mode
    // 13 live in this memory too, and the presenter reads them.
    uint8_t* target = Rt_LowMemory() + destination;
    const PixelBatch batch;
    for (size_t i = 0; i < body.size(); ++i) Pix_StoreQuiet(target + i, body[i]);
}
