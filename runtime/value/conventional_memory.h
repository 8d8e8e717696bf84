// The emulated conventional memory: blocks of LowMemory between 0x10500 and 0xA0000.
#pragma once

#include <cstddef>
#include <cstdint>

// At most this many blocks exist at once.
constexpr size_t kConventionalMaxBlocks = 147136;
// The largest single request in bytes.
constexpr uint32_t kConventionalMaxRequest = 65536;

// Takes a block of at least `bytes` bytes (rounded up to 16) at the top of the highest gap
// that holds it and returns its LowMemory offset; 0 bytes give 0xA0000 without a block.
// Critical errors end the program: more than 65536 bytes #5, no room #6, too many blocks #7.
// The block's bytes are left as they were.
uint32_t Rt_ConventionalAlloc(uint32_t bytes);
// Frees the block starting at `address`; any other address does nothing.
void Rt_ConventionalFree(uint32_t address);
// Number of blocks in use (for tests and the memory-status facility).
size_t Rt_ConventionalBlockCount();
// Forgets every block (a fresh program in the same process).
void Rt_ConventionalReset();
