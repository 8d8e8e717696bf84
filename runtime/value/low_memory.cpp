// The storage behind LowMemory.
#include "low_memory.h"

#include <atomic>
#include <memory>

namespace {
// Runtime shared word block: the emulated machine's memory, alive for the whole process.
alignas(16) uint8_t g_low_memory[kLowMemorySize + 13];
}  // namespace

uint8_t* Rt_LowMemory() { return g_low_memory; }

void Rt_ClearLowMemory() {
    for (auto& byte : g_low_memory) std::atomic_ref<uint8_t>(byte).store(0, std::memory_order_relaxed);
}
