#include "core/effect_list.h"

void EffectList::add(Effect* effect) { registered.push(static_cast<uint32_t>(effect->start), effect); }

void EffectList::prepare() { registered.sort(); }

void EffectList::renderFrame(int32_t t)
{
    // The start-sorted sequence lives in the sorter's scratch buffer.
    const SortPair* byStart = registered.scratch;
    while (nextToActivate < registered.count) {
        Effect* e = byStart[nextToActivate].effect;
        if (e->start > t)
            break;
        ++nextToActivate;
        active.insert(e);
    }

    // Retirement is tested after activation, so an effect whose whole span
    // fell between two frames is activated and retired without being drawn.
    live.count = 0;
    for (PtrList<Effect>::Node* node = active.head; node;) {
        PtrList<Effect>::Node* next = node->next;
        Effect* e = node->item;
        if (e->end < t)
            active.unlink(node);
        else if (e->isLive(t))
            live.push(static_cast<uint32_t>(e->layer), e);
        node = next;
    }

    live.sort();
    for (int32_t i = 0; i < live.count; ++i) {
        Effect* e = live.scratch[i].effect;
        // Wrapping subtraction: the local time of a far-off start must not overflow.
        e->render(static_cast<int32_t>(static_cast<uint32_t>(t) - static_cast<uint32_t>(e->start)));
    }
}
