// The current segment of LowMemory and the load of memory-image files into it.
#pragma once

#include <cstdint>

#include "rt_string.h"

// Marker byte that opens every memory-image file, and the header's size (marker, segment,
// offset, body length).
constexpr uint8_t kMemoryImageMarker = 0xFD;
constexpr uint32_t kMemoryImageHeaderBytes = 7;

// No limit on what a load may write beyond the end of LowMemory.
constexpr uint32_t kNoCapacityLimit = 0xFFFFFFFFu;

// Given 1: segment -65536 ... 65535 (else error 6), whose base is (segment & 0xFFFF) x 16.
// Given 0: back to the default data area at 0x500.
void Rt_SetSegment(int64_t segment, int32_t given);
// LowMemory offset of the current segment's base.
uint32_t Rt_SegmentBase();

// Copies the body of a memory-image file into LowMemory: given 1, to the current segment's
// base + (offset & 0xFFFF) (offset -65536 ... 65535, else error 6); given 0, to the file's own
// segment x 16 + offset. A body length of 0 stands for the rest of the file when that is 65536
// bytes or more, else for nothing. Errors: 53 the file cannot be opened; 54 a short header, a
// wrong marker, a short body, a body longer than `capacity_bytes` or one that would run past the
// end of LowMemory. On any error nothing is written.
void Rt_LoadMemoryImage(const RtString& file_name, int64_t offset, int32_t given,
                        uint32_t capacity_bytes = kNoCapacityLimit);
