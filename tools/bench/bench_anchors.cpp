// The anchors every figure is compared with: plain copies, compares and palette look-ups.
#include <cstring>
#include <vector>

#include "bench_support.h"

namespace bench {

void Memcpy(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
}

void Memcmp(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> a(bytes, 3), b(bytes, 3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::memcmp(a.data(), b.data(), bytes));
        benchmark::ClobberMemory();
    }
}

namespace {
__attribute__((noinline)) void LookUp(uint32_t* out, const uint8_t* in, size_t count,
                                      const uint32_t* palette) {
    for (size_t i = 0; i < count; ++i) out[i] = palette[in[i]];
}
}  // namespace

void Lookup(benchmark::State& state) {
    const size_t count = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> in(count);
    for (size_t i = 0; i < count; ++i) in[i] = static_cast<uint8_t>((i * 7) & 15);
    std::vector<uint32_t> out(count), palette(256, 0xFF123456);
    for (auto _ : state) {
        LookUp(out.data(), in.data(), count, palette.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace bench
