#include "core/radix_sorter.h"

#include <utility>

RadixSorter::RadixSorter(int32_t capacity)
    : capacity(capacity), first_(new SortPair[capacity]), second_(new SortPair[capacity])
{
    items = first_.get();
    scratch = second_.get();
}

void RadixSorter::push(uint32_t key, Effect* effect)
{
    if (count < capacity)
        items[count++] = SortPair{key, effect};
}

void RadixSorter::pass(int byte)
{
    const int shift = 8 * byte;
    uint32_t counters[256] = {};
    for (int32_t i = 0; i < count; ++i)
        ++counters[(items[i].key >> shift) & 0xFF];
    uint32_t total = 0;
    for (uint32_t& c : counters) {
        uint32_t n = c;
        c = total;
        total += n;
    }
    for (int32_t i = 0; i < count; ++i)
        scratch[counters[(items[i].key >> shift) & 0xFF]++] = items[i];
}

void RadixSorter::sort()
{
    pass(0);
    std::swap(items, scratch);
    pass(1);
    std::swap(items, scratch);
    pass(2);
    std::swap(items, scratch);
    pass(3);
}
