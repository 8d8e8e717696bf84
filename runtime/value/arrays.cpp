// The bounds check shared by every array access.
#include "arrays.h"

uint32_t Arr_CheckIndex(int64_t index, int64_t count) {
    if (count > 0 && static_cast<uint64_t>(index) < static_cast<uint64_t>(count)) {
        return static_cast<uint32_t>(index);
    }
    Err_Raise(9);
    return 0;
}
