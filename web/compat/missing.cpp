// What the browser's SDL and C library leave out and the runtime calls: the mouse cursor
// (the page keeps the browser's own pointer) and thread names (a browser's workers have none).
#include <SDL.h>
#include <pthread.h>

extern "C" {

SDL_Cursor* SDL_CreateCursor(const Uint8*, const Uint8*, int, int, int, int) {
    // Any pointer that is not null and can be freed: the cursor itself is never drawn.
    return reinterpret_cast<SDL_Cursor*>(new char[1]);
}

void SDL_SetCursor(SDL_Cursor*) {}

void SDL_FreeCursor(SDL_Cursor* cursor) {
    delete[] reinterpret_cast<char*>(cursor);
}

int pthread_setname_np(pthread_t, const char*) {
    return 0;
}
}
