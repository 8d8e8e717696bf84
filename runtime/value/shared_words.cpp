// The storage behind the shared words.
#include "shared_words.h"

SharedWords& Rt_Words() {
    // Runtime shared words: read and written by the start-up, program and timer threads.
    static SharedWords words;
    return words;
}
