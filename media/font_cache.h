#pragma once
// Faces for text stamping: a face name is resolved through fontconfig the way
// the platform's font mapper would (a metric-compatible substitute for a
// known name, the default face for an unknown one), and opened with FreeType
// at the pixel size that makes its character cell fit the asked height.
// Resolved names and sized faces are cached for the life of the process and
// released at exit, so only the first use of a name and size pays for it.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

// What fontconfig chose for a face name.
struct FontMatch {
    std::string file;    // empty when no font could be found at all
    int index = 0;       // face index inside the file
    std::string family;  // the chosen face's family name
    std::string style;
};

// The character cell of a face at one pixel size, in whole pixels.
struct CellFit {
    int pixelSize;  // pixels per em
    int ascent;     // baseline below the top of the cell
    int descent;    // cell bottom below the baseline
};

// The largest pixels-per-em whose cell (ascent plus descent, each scaled and
// rounded to whole pixels) is no taller than fontHeight, at least 1. The
// ascent and descent are the font's Windows metrics (usWinAscent,
// usWinDescent), which is what a positive cell height is measured against.
CellFit fitCellHeight(int unitsPerEm, int winAscent, int winDescent, int fontHeight);

// A face opened at the size fitted to a cell height. ascent is the baseline's
// distance from the top of the cell in pixels.
struct SizedFace {
    FT_Face face;
    int ascent;
};

// fontconfig's choice for a code page 1252 face name. Only the first 31 bytes
// of the name count, as in the platform's font description.
const FontMatch& matchFontFace(const char* faceName);

// The face for a name and cell height, opened on first use; null when no
// font could be loaded.
const SizedFace* sizedFace(const char* faceName, int fontHeight);
