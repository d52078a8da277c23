#include "ui_common/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

// The font system later finds the configuration loaded (fontconfig loads it once per process,
// whichever thread asks first).
FontWarmUp::FontWarmUp() : worker_([] { FcInit(); }) {}

FontWarmUp::~FontWarmUp() {
    Wait();
}

void FontWarmUp::Wait() {
    if (worker_.joinable()) worker_.join();
}
