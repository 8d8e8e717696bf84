// Placeholders for the screen operations until pages and text output are built.
#include "screen.h"

void Scr_Startup() {}
void Scr_Present() {}
void Scr_SetMode(int32_t, int32_t, int32_t, int32_t, int32_t) {}
void Scr_Print(const RtString&, bool) {}
void Scr_SetTextView(int32_t, int32_t, int32_t) {}
void Scr_ActivateDisplayPage() {}
int32_t Scr_Rows() { return 25; }
plat::VideoSurface* Scr_CurrentSurface() { return nullptr; }
void Scr_ForceCompleteFrame() {}
