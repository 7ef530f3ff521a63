// Text stamping: clipping without stray writes, what happens to untouched
// pixels, and code page 1252 (the faces, sizes and cells the title card uses
// are pinned by the golden frames).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "pixel/cp1252.h"
#include "media/font_glyphs.h"
#include "pixel/text.h"

namespace {

// A picture with sentinel guard zones before and after it in memory.
struct GuardedBuffer {
    static constexpr int kGuard = 4096;
    static constexpr uint32_t kSentinel = 0xA5C3E1F7;
    int width, height;
    std::vector<uint32_t> storage;

    GuardedBuffer(int w, int h, uint32_t fill = 0) : width(w), height(h), storage(w * h + 2 * kGuard, kSentinel) {
        std::fill(pixels(), pixels() + w * h, fill);
    }
    uint32_t* pixels() { return storage.data() + kGuard; }
    bool guardsIntact() const {
        for (int i = 0; i < kGuard; ++i)
            if (storage[i] != kSentinel || storage[storage.size() - 1 - i] != kSentinel) return false;
        return true;
    }
    void stamp(int x, int y, const char* face, const char* text, int fontHeight, uint32_t colour) {
        FontGlyphs glyphs;
        stampText(glyphs, pixels(), x, y, width, height, face, text, fontHeight, colour);
    }
    // Bounding box of the pixels that are not 0.
    struct Box {
        int top = 1 << 30, bottom = -1, left = 1 << 30, right = -1;
    };
    Box ink() {
        Box box;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (pixels()[y * width + x] != 0) {
                    box.top = std::min(box.top, y), box.bottom = y;
                    box.left = std::min(box.left, x), box.right = std::max(box.right, x);
                }
        return box;
    }
};

}  // namespace

// Text crossing each edge is cut there: no write outside the buffer and no
// wrap into the neighbouring row.
TEST(Text, ClippedAtAllFourEdges) {
    const int w = 40, h = 30;
    struct Case {
        int x, y;
        bool inkExpected;
    };
    for (Case c : {Case{-12, 5, true}, Case{w - 9, 5, true}, Case{2, -15, true}, Case{2, h - 8, true},
                   Case{w - 6, h - 14, true}, Case{-100000, 0, false}, Case{0, 100000, false}}) {
        GuardedBuffer b(w, h);
        b.stamp(c.x, c.y, "Arial", "WWWW", 30, 0xFFFFFF);
        EXPECT_TRUE(b.guardsIntact()) << c.x << "," << c.y;
        const auto box = b.ink();
        EXPECT_EQ(box.bottom >= 0, c.inkExpected) << c.x << "," << c.y;
        if (!c.inkExpected) continue;
        EXPECT_GE(box.left, std::max(c.x, 0)) << c.x << "," << c.y;
        EXPECT_GE(box.top, std::max(c.y - 1, 0)) << c.x << "," << c.y;
        EXPECT_EQ(box.left == 0, c.x < 0) << c.x << "," << c.y;
        EXPECT_EQ(box.top == 0, c.y < 0) << c.x << "," << c.y;
    }
}

// Every pixel comes back with its colour and a zero top byte, drawn on or
// not; the colour's own top byte plays no part.
TEST(Text, TopBytesClearedAndColourTopByteIgnored) {
    std::vector<uint32_t> original(64 * 32);
    for (size_t i = 0; i < original.size(); ++i) original[i] = 0x81000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    GuardedBuffer empty(64, 32), plain(64, 32), topped(64, 32);
    for (GuardedBuffer* b : {&empty, &plain, &topped}) std::copy(original.begin(), original.end(), b->pixels());

    empty.stamp(3, 3, "Arial", "", 20, 0xFFFFFF);
    plain.stamp(3, 3, "Arial", "Ab", 20, 0x0000FF00);
    topped.stamp(3, 3, "Arial", "Ab", 20, 0xFF00FF00);
    for (size_t i = 0; i < original.size(); ++i) {
        ASSERT_EQ(empty.pixels()[i], original[i] & 0x00FFFFFF);
        ASSERT_EQ(plain.pixels()[i], topped.pixels()[i]);
        ASSERT_EQ(plain.pixels()[i] >> 24, 0u);
    }
}

TEST(Text, Cp1252BytesMapToTheirCharacters) {
    EXPECT_EQ(cp1252ToUnicode(0xE5), U'\u00E5');
    EXPECT_EQ(cp1252ToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(cp1252ToUnicode(0x8A), U'\u0160');
    EXPECT_EQ(cp1252ToUnicode(0x9F), U'\u0178');
    EXPECT_EQ(cp1252ToUnicode(0x81), U'\u0081');  // unassigned: the control of the same value
    EXPECT_EQ(cp1252ToUtf8("p\xE5 \x80"), "p\xC3\xA5 \xE2\x82\xAC");
}

