#include "core/effect_list.h"

#include <algorithm>

void EffectList::add(Effect* effect) { registered.push(static_cast<uint32_t>(effect->start), effect); }

void EffectList::prepare() { registered.sort(); }

void EffectList::remove(Effect* effect)
{
    auto isIt = [effect](const SortPair& p) { return p.effect == effect; };
    // Activation walks the start-sorted scratch buffer; an entry already
    // passed moves the walk's place back by one.
    SortPair* byStart = registered.scratch;
    const auto at = std::find_if(byStart, byStart + registered.count, isIt);
    if (at - byStart < nextToActivate)
        --nextToActivate;
    std::remove_if(byStart, byStart + registered.count, isIt);
    const int32_t kept = int32_t(std::remove_if(registered.items, registered.items + registered.count, isIt) -
                                 registered.items);
    registered.count = kept;
    for (PtrList<Effect>::Node* node = active.head; node;) {
        PtrList<Effect>::Node* next = node->next;
        if (node->item == effect)
            active.unlink(node);
        node = next;
    }
    live.count = 0;
}

void EffectList::renderFrame(Frame& frame, int32_t t)
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
        e->render(frame, static_cast<int32_t>(static_cast<uint32_t>(t) - static_cast<uint32_t>(e->start)));
    }
}
