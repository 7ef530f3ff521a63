#include "browser/page.h"

#include <emscripten.h>

// Module.page is the page's side of these calls (web/player.js), set before
// the module starts.
// clang-format off
EM_JS(void, jsPresent, (const uint32_t* pixels), { Module.page.present(pixels); });
EM_JS(void, jsSoundOpen, (const int16_t* samples, double frames), { Module.page.soundOpen(samples, frames); });
EM_JS(void, jsSoundPlay, (int32_t fromMs), { Module.page.soundPlay(fromMs); });
EM_JS(int32_t, jsSoundTime, (), { return Module.page.soundTime(); });
EM_JS(void, jsShowMessage, (const char* text, const char* detail), {
    Module.page.showMessage(UTF8ToString(text), UTF8ToString(detail));
});
// clang-format on

void pagePresent(const uint32_t* pixels) { jsPresent(pixels); }

void pageSoundOpen(const PcmTrack& track)
{
    jsSoundOpen(track.samples.data(), static_cast<double>(track.frameCount()));
}

void pageSoundPlay(int32_t fromMs) { jsSoundPlay(fromMs); }

int32_t pageSoundTime() { return jsSoundTime(); }

void pageShowMessage(const std::string& text, const std::string& detail)
{
    jsShowMessage(text.c_str(), detail.c_str());
}
