// Text stamping: cell height, clipping without stray writes, layering of
// calls, what happens to untouched pixels, code page 1252 and face fallback.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "pixel/cp1252.h"
#include "media/font_cache.h"
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
    int countOf(uint32_t value) {
        return static_cast<int>(std::count(pixels(), pixels() + width * height, value));
    }
    // Bounding box of the pixels that are not 0.
    struct Box {
        int top = 1 << 30, bottom = -1, left = 1 << 30, right = -1;
        int rows() const { return bottom - top + 1; }
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

// A positive height is the whole cell, accents and descenders included, not
// the height of the capitals; the edges are anti-aliased.
TEST(Text, CellHeightBoundsTheInk) {
    for (int fontHeight : {12, 54}) {
        GuardedBuffer b(320, 100);
        b.stamp(10, 20, "Arial", "\xC5gjpq|", fontHeight, 0xFFFFFF);
        const auto box = b.ink();
        EXPECT_GE(box.top, 20 - 1) << fontHeight;  // a faint accent edge at most
        EXPECT_LE(box.bottom, 20 + fontHeight - 1) << fontHeight;
        EXPECT_GE(box.rows(), fontHeight - 1) << fontHeight;
        EXPECT_GE(box.left, 10);
        const int solid = b.countOf(0xFFFFFF);
        EXPECT_GT(b.width * b.height - b.countOf(0) - solid, 10) << "no anti-aliased edge";
    }
    GuardedBuffer caps(320, 100);
    caps.stamp(10, 20, "Arial", "HEX", 54, 0xFFFFFF);
    EXPECT_GT(caps.ink().rows(), 30);
    EXPECT_LT(caps.ink().rows(), 40);
}

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

TEST(Text, LaterTextLiesOverEarlierText) {
    GuardedBuffer b(120, 50);
    b.stamp(0, 0, "Arial", "HHHH", 40, 0x00FFFFFF);
    b.stamp(0, 0, "Arial", "IIII", 40, 0x00FF0000);
    EXPECT_GT(b.countOf(0x00FFFFFF), 30);
    EXPECT_GT(b.countOf(0x00FF0000), 30);
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

    // "å" draws a glyph of its own: the ring makes it taller than "a".
    GuardedBuffer ring(60, 60), plain(60, 60);
    ring.stamp(5, 5, "Arial", "\xE5", 40, 0xFFFFFF);
    plain.stamp(5, 5, "Arial", "a", 40, 0xFFFFFF);
    EXPECT_LT(ring.ink().top, plain.ink().top - 3);
    EXPECT_EQ(ring.ink().bottom, plain.ink().bottom);
}

TEST(Text, FaceNamesResolveAndUnknownFacesStillDraw) {
    EXPECT_EQ(matchFontFace("Arial").family, "Liberation Sans");
    // The heavy member of a family that is not installed falls back to the
    // family's substitute at a heavy weight, not to the default regular face.
    EXPECT_EQ(matchFontFace("Arial Black").family, "Liberation Sans");
    EXPECT_EQ(matchFontFace("Arial Black").style, "Bold");
    for (const char* face : {"Arial Back", "Arial Black", "No Such Face At All", ""}) {
        GuardedBuffer b(100, 40);
        b.stamp(2, 2, face, "stem", 24, 0xFFFFFF);
        EXPECT_GT(b.countOf(0xFFFFFF), 20) << face;
    }
}
