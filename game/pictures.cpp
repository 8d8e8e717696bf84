// The game's picture loader and drawer over the runtime's memory-image load and block put.
#include "pictures.h"

#include "errors.h"
#include "memory_image.h"

void LoadPicture(const RtString& file_name, PictureBuffer& buffer) {
    if (Err_IsPending()) return;
    // The buffer's address as the emulated machine sees it: a segment and an offset in it.
    const uint32_t address = buffer.words.count > 0 ? buffer.words.address : 0;
    Rt_SetSegment(address >> 4, 1);
    // A body longer than the buffer is refused whole rather than cut, so a damaged file never
    // shows as half a picture nor spills into the memory beside the buffer.
    Rt_LoadMemoryImage(file_name, address & 0xF, 1,
                       static_cast<uint32_t>(Arr_SizeBytes(buffer.words)));
}

void PutPicture(int32_t x, int32_t y, PictureBuffer& buffer, int32_t action) {
    if (Err_IsPending()) return;
    const uint8_t* block = buffer.words.count > 0 ? Arr_Bytes(buffer.words) : nullptr;
    Scr_PutBlock(static_cast<float>(x), static_cast<float>(y), block, Arr_SizeBytes(buffer.words),
                 action, 0, 0);
}
