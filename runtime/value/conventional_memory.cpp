// The block list of the emulated conventional memory, searched from the top down.
#include "conventional_memory.h"

#include <vector>

#include "errors.h"
#include "low_memory.h"

namespace {

struct Block {
    uint32_t start = 0;
    uint32_t size_bytes = 0;
};

// Runtime table, program thread only: the blocks in use, highest start first.
std::vector<Block> g_blocks;

}  // namespace

uint32_t Rt_ConventionalAlloc(uint32_t bytes) {
    if (bytes > kConventionalMaxRequest) Err_Raise(505);
    if (bytes == 0) return static_cast<uint32_t>(kLowMemConventionalEnd);
    if (g_blocks.size() >= kConventionalMaxBlocks) Err_Raise(507);
    const uint32_t size = (bytes + 15u) & ~15u;
    uint32_t gap_top = static_cast<uint32_t>(kLowMemConventionalEnd);
    for (size_t i = 0; i <= g_blocks.size(); ++i) {
        const uint32_t gap_bottom = i < g_blocks.size()
                                        ? g_blocks[i].start + g_blocks[i].size_bytes
                                        : static_cast<uint32_t>(kLowMemConventionalStart);
        if (gap_top >= gap_bottom && gap_top - gap_bottom >= size) {
            const Block block{gap_top - size, size};
            g_blocks.insert(g_blocks.begin() + static_cast<ptrdiff_t>(i), block);
            return block.start;
        }
        if (i < g_blocks.size()) gap_top = g_blocks[i].start;
    }
    Err_Raise(506);
    return 0;  // not reached: a critical error ends the program
}

void Rt_ConventionalFree(uint32_t address) {
    for (auto it = g_blocks.begin(); it != g_blocks.end(); ++it) {
        if (it->start == address) {
            g_blocks.erase(it);
            return;
        }
    }
}

size_t Rt_ConventionalBlockCount() {
    return g_blocks.size();
}

void Rt_ConventionalReset() {
    g_blocks.clear();
}
