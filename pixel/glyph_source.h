#pragma once
// Where stampText gets its letters from: a face chosen by name and cell
// height, and per character a coverage bitmap with its placement. The
// program's faces come from the system's fonts (media/); anything that can
// answer these two questions can stand in for them.
#include <cstdint>
#include <vector>

struct Glyph {
    std::vector<uint8_t> coverage;  // rows x width, top row first; 0 none ... 255 full
    int width = 0;
    int rows = 0;
    long left = 0;     // bitmap's left edge right of the pen, in pixels
    long top = 0;      // bitmap's top row above the baseline, in pixels
    long advance = 0;  // pen advance in 26.6 fixed point
};

class GlyphSource {
public:
    virtual ~GlyphSource() = default;

    // Selects the face for a code page 1252 name and a cell height in pixels;
    // ascent is then the baseline's distance below the cell's top. False when
    // no face can be had.
    virtual bool selectFace(const char* faceName, int cellHeight, int& ascent) = 0;

    // The selected face's glyph for a code page 1252 character. False when it
    // cannot be rendered: the pen does not move.
    virtual bool glyph(unsigned char character, Glyph& out) = 0;
};
