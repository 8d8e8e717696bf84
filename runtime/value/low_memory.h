// LowMemory: the emulated PC's real-mode memory, shared by the screen and value runtimes.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kLowMemorySize = 1'114'099;
constexpr size_t kLowMemTickCounter = 1132;  // three bytes, low byte first: BIOS ticks since midnight
constexpr size_t kLowMemDataSegment = 0x500;   // the variable segment, 64 KiB
constexpr size_t kLowMemConventionalStart = 0x10500;
constexpr size_t kLowMemConventionalEnd = 0xA0000;  // also where mode 13 keeps its pixels
constexpr size_t kLowMemTextPages = 0xB8000;

// The one block of emulated memory, cleared at start-up. Bytes that two threads share
// (key ring, tick counter, text pages) are accessed through std::atomic_ref by their owners.
uint8_t* Rt_LowMemory();
void Rt_ClearLowMemory();
