// Rt_SetSegment and Rt_LoadMemoryImage: destinations, the header checks, the rule for a length
// of 0, and that a refused file writes nothing and is closed.
#include "memory_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "errors.h"
#include "files_os.h"
#include "low_memory.h"
#include "picture_files.h"
#include "shared_words.h"

namespace {

// Counts opens and closes, and can make reads fail after a number of bytes.
class CountingCalls : public FileSystemCalls {
  public:
    int Open(const char* path, int flags, mode_t permissions) override {
        const int fd = FileSystemCalls::Open(path, flags, permissions);
        if (fd >= 0) ++opened;
        return fd;
    }
    int Close(int fd) override {
        ++closed;
        return FileSystemCalls::Close(fd);
    }
    int64_t Read(int fd, void* bytes, size_t count) override {
        if (fail_after >= 0 && read_so_far + static_cast<int64_t>(count) > fail_after) {
            const int64_t allowed = fail_after - read_so_far;
            if (allowed <= 0) return -5;  // EIO
            count = static_cast<size_t>(allowed);
        }
        const int64_t got = FileSystemCalls::Read(fd, bytes, count);
        if (got > 0) read_so_far += got;
        return got;
    }
    int opened = 0;
    int closed = 0;
    int64_t fail_after = -1;
    int64_t read_so_far = 0;
};

class MemoryImageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Err_Reset();
        Rt_Words().checkRequest = 0;
        Rt_ClearLowMemory();
        Rt_SetSegment(0, 0);
        File_SetSystemCalls(&calls);
    }
    void TearDown() override {
        File_SetSystemCalls(nullptr);
        EXPECT_EQ(calls.opened, calls.closed) << "a file was left open";
        Err_Reset();
        Rt_Words().checkRequest = 0;
    }
    static bool AllZero(size_t from, size_t count) {
        const uint8_t* memory = Rt_LowMemory() + from;
        return std::all_of(memory, memory + count, [](uint8_t b) { return b == 0; });
    }
    CountingCalls calls;
    ScratchFolder folder;
};

std::vector<uint8_t> Bytes(size_t count, uint8_t seed) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

TEST_F(MemoryImageTest, SegmentBases) {
    EXPECT_EQ(Rt_SegmentBase(), 0x500u);
    Rt_SetSegment(0x9FB5, 1);
    EXPECT_EQ(Rt_SegmentBase(), 0x9FB50u);
    Rt_SetSegment(-1, 1);
    EXPECT_EQ(Rt_SegmentBase(), 0xFFFF0u);
    Rt_SetSegment(-65536, 1);
    EXPECT_EQ(Rt_SegmentBase(), 0u);
    Rt_SetSegment(0, 0);
    EXPECT_EQ(Rt_SegmentBase(), 0x500u);
    Rt_SetSegment(65536, 1);
    EXPECT_EQ(Err_Pending(), 6u);
    EXPECT_EQ(Rt_SegmentBase(), 0x500u);
    Err_Reset();
    Rt_SetSegment(-65537, 1);
    EXPECT_EQ(Err_Pending(), 6u);
}

TEST_F(MemoryImageTest, LoadsToTheSegmentAndOffsetGiven) {
    const std::vector<uint8_t> body = Bytes(100, 3);
    const std::string file = folder.Write("a.grh", ImageFile(body, 100, 0x1234, 0x5678));
    Rt_SetSegment(0x2000, 1);
    Rt_LoadMemoryImage(file, 0x10, 1);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(std::memcmp(Rt_LowMemory() + 0x20010, body.data(), body.size()), 0);
    EXPECT_TRUE(AllZero(0x20000, 0x10));
    EXPECT_TRUE(AllZero(0x20010 + 100, 100));
    // A negative offset counts from the segment's top.
    Rt_LoadMemoryImage(file, -0x100, 1);
    EXPECT_EQ(std::memcmp(Rt_LowMemory() + 0x2FF00, body.data(), body.size()), 0);
    Rt_LoadMemoryImage(file, 65536, 1);
    EXPECT_EQ(Err_Pending(), 6u);
}

TEST_F(MemoryImageTest, WithoutAnOffsetTheFileNamesItsPlace) {
    const std::vector<uint8_t> body = Bytes(20, 9);
    const std::string file = folder.Write("b.grh", ImageFile(body, 20, 0x3000, 0x0024));
    Rt_LoadMemoryImage(file, 0, 0);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(std::memcmp(Rt_LowMemory() + 0x30024, body.data(), body.size()), 0);
}

TEST_F(MemoryImageTest, MissingFileIs53) {
    Rt_LoadMemoryImage(folder.PathOf("none.grh"), 0, 1);
    EXPECT_EQ(Err_Pending(), 53u);
    Err_Reset();
    Rt_LoadMemoryImage("", 0, 1);
    EXPECT_EQ(Err_Pending(), 53u);
    Err_Reset();
    Rt_LoadMemoryImage(folder.PathOf(""), 0, 1);  // the folder itself
    EXPECT_EQ(Err_Pending(), 53u);
}

TEST_F(MemoryImageTest, WrongMarkerIs54EvenForAValidPicture) {
    const std::vector<uint8_t> body = SolidPicture(8, 2, 5);
    const std::string file =
        folder.Write("c.grh", ImageFile(body, static_cast<uint16_t>(body.size()), 0, 0, 0xFE));
    Rt_SetSegment(0x2000, 1);
    Rt_LoadMemoryImage(file, 0, 1);
    EXPECT_EQ(Err_Pending(), 54u);
    EXPECT_TRUE(AllZero(0x20000, 64));
}

TEST_F(MemoryImageTest, ShortHeaderIs54) {
    for (size_t bytes = 0; bytes < 7; ++bytes) {
        std::vector<uint8_t> file = Header(0, 0, 0);
        file.resize(bytes);
        Rt_LoadMemoryImage(folder.Write("d.grh", file), 0, 1);
        EXPECT_EQ(Err_Pending(), 54u) << bytes;
        Err_Reset();
    }
}

TEST_F(MemoryImageTest, ShortBodyIs54AndWritesNothing) {
    const std::string file = folder.Write("e.grh", ImageFile(Bytes(99, 1), 100));
    Rt_SetSegment(0x2000, 1);
    Rt_LoadMemoryImage(file, 0, 1);
    EXPECT_EQ(Err_Pending(), 54u);
    EXPECT_TRUE(AllZero(0x20000, 200));
}

TEST_F(MemoryImageTest, ReadFailureIs54AndWritesNothing) {
    const std::string file = folder.Write("f.grh", ImageFile(Bytes(100, 1), 100));
    calls.fail_after = 50;
    Rt_SetSegment(0x2000, 1);
    Rt_LoadMemoryImage(file, 0, 1);
    EXPECT_EQ(Err_Pending(), 54u);
    EXPECT_TRUE(AllZero(0x20000, 200));
}

TEST_F(MemoryImageTest, ExtraBytesAfterTheBodyAreNotLoaded) {
    std::vector<uint8_t> body = Bytes(30, 2);
    std::vector<uint8_t> file = ImageFile(body, 20);
    Rt_SetSegment(0x2000, 1);
    Rt_LoadMemoryImage(folder.Write("g.grh", file), 0, 1);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(std::memcmp(Rt_LowMemory() + 0x20000, body.data(), 20), 0);
    EXPECT_TRUE(AllZero(0x20000 + 20, 20));
}

TEST_F(MemoryImageTest, LengthZeroOnASmallFileLoadsNothing) {
    const std::string file = folder.Write("h.grh", ImageFile(Bytes(65535, 1), 0));
    Rt_SetSegment(0x2000, 1);
    Rt_LoadMemoryImage(file, 0, 1);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_TRUE(AllZero(0x20000, 65536));
}

TEST_F(MemoryImageTest, LengthZeroOnALargeFileLoadsTheRest) {
    const std::vector<uint8_t> body = Bytes(70000, 4);
    const std::string file = folder.Write("i.grh", ImageFile(body, 0));
    Rt_SetSegment(0x2000, 1);
    Rt_LoadMemoryImage(file, 0, 1);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(std::memcmp(Rt_LowMemory() + 0x20000, body.data(), body.size()), 0);
    EXPECT_TRUE(AllZero(0x20000 + 70000, 16));
}

TEST_F(MemoryImageTest, NothingIsWrittenPastTheCapacityGiven) {
    const std::string file = folder.Write("j.grh", ImageFile(Bytes(101, 1), 101));
    Rt_SetSegment(0x2000, 1);
    Rt_LoadMemoryImage(file, 0, 1, 100);
    EXPECT_EQ(Err_Pending(), 54u);
    EXPECT_TRUE(AllZero(0x20000, 200));
    Err_Reset();
    Rt_LoadMemoryImage(file, 0, 1, 101);
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(MemoryImageTest, NothingIsWrittenPastTheEndOfTheMemory) {
    // Segment 0xFFFF, offset 0xFFFF: 1,114,095; the memory ends 4 bytes later.
    const std::string fits = folder.Write("k.grh", ImageFile(Bytes(4, 1), 4));
    const std::string too_long = folder.Write("l.grh", ImageFile(Bytes(5, 1), 5));
    Rt_SetSegment(0xFFFF, 1);
    Rt_LoadMemoryImage(fits, 0xFFFF, 1);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Rt_LowMemory()[kLowMemorySize - 1], Bytes(4, 1)[3]);
    Rt_LoadMemoryImage(too_long, 0xFFFF, 1);
    EXPECT_EQ(Err_Pending(), 54u);
    Err_Reset();
    const std::string own_place = folder.Write("m.grh", ImageFile(Bytes(5, 1), 5, 0xFFFF, 0xFFFF));
    Rt_LoadMemoryImage(own_place, 0, 0);
    EXPECT_EQ(Err_Pending(), 54u);
}

TEST_F(MemoryImageTest, NothingHappensWhileAnErrorIsPending) {
    const std::string file = folder.Write("n.grh", ImageFile(Bytes(10, 1), 10));
    Err_Raise(5);
    Rt_SetSegment(0x2000, 1);
    Rt_LoadMemoryImage(file, 0, 1);
    EXPECT_EQ(Err_Pending(), 5u);
    EXPECT_EQ(Rt_SegmentBase(), 0x500u);
    EXPECT_TRUE(AllZero(0x500, 10));
    EXPECT_EQ(calls.opened, 0);
}

}  // namespace
