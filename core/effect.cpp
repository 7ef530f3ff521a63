#include "core/effect.h"

Effect::Effect(int32_t start, int32_t end, int32_t layer) : layer(layer), start(start), end(end) {}

void Effect::render(Frame&, int32_t) {}

void Effect::addWindow(TimeWindow* window) { windows.insert(window); }

bool Effect::isLive(int32_t t)
{
    for (TimeWindow* w = windows.first(); w; w = windows.next()) {
        if (w->start < t && t < w->end) {
            windows.cursor = windows.head;
            return true;
        }
    }
    return false;
}
