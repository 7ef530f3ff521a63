#include "media/font_cache.h"

#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <map>
#include <utility>

#include "media/font_match.h"

namespace {

// The platform's font description holds 32 bytes: 31 characters and the
// terminator.
constexpr size_t kMaxFaceNameBytes = 31;

std::string truncatedName(const char* faceName) {
    std::string name(faceName ? faceName : "");
    if (name.size() > kMaxFaceNameBytes) name.resize(kMaxFaceNameBytes);
    return name;
}

int roundedScale(int units, int pixelSize, int unitsPerEm) {
    return static_cast<int>(std::lround(static_cast<double>(units) * pixelSize / unitsPerEm));
}

class FontCache {
public:
    FontCache() = default;
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    ~FontCache() {
        for (auto& entry : faces_)
            if (entry.second.face) FT_Done_Face(entry.second.face);
        if (library_) FT_Done_FreeType(library_);
    }

    const FontMatch& match(const std::string& name) {
        auto found = matches_.find(name);
        if (found != matches_.end()) return found->second;
        return matches_.emplace(name, resolveFontName(name)).first->second;
    }

    const SizedFace* sized(const std::string& name, int fontHeight) {
        const auto key = std::make_pair(name, fontHeight);
        auto found = faces_.find(key);
        if (found == faces_.end()) found = faces_.emplace(key, open(match(name), fontHeight)).first;
        return found->second.face ? &found->second : nullptr;
    }

private:
    SizedFace open(const FontMatch& match, int fontHeight) {
        SizedFace sized{nullptr, 0};
        if (match.file.empty()) return sized;
        if (!library_ && FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return sized;
        }
        FT_Face face = nullptr;
        if (FT_New_Face(library_, match.file.c_str(), match.index, &face) != 0) return sized;

        int ascent = 0, descent = 0;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
            ascent = os2->usWinAscent;
            descent = os2->usWinDescent;
        } else {  // no Windows metrics: the horizontal header's are the closest
            ascent = face->ascender;
            descent = -face->descender;
        }
        if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0 || ascent + descent <= 0) {
            FT_Done_Face(face);
            return sized;
        }
        const CellFit fit = fitCellHeight(face->units_per_EM, ascent, descent, fontHeight);
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(fit.pixelSize)) != 0) {
            FT_Done_Face(face);
            return sized;
        }
        sized.face = face;
        sized.ascent = fit.ascent;
        return sized;
    }

    FT_Library library_ = nullptr;
    std::map<std::string, FontMatch> matches_;
    std::map<std::pair<std::string, int>, SizedFace> faces_;
};

FontCache& fontCache() {
    static FontCache cache;
    return cache;
}

}  // namespace

CellFit fitCellHeight(int unitsPerEm, int winAscent, int winDescent, int fontHeight) {
    auto fitAt = [&](int pixelSize) {
        return CellFit{pixelSize, roundedScale(winAscent, pixelSize, unitsPerEm),
                       roundedScale(winDescent, pixelSize, unitsPerEm)};
    };
    CellFit best = fitAt(1);
    // The cell grows with the pixel size; a font's cell is never much smaller
    // than its em, so 4 x fontHeight bounds the search.
    for (int size = 2; size <= 4 * fontHeight; ++size) {
        const CellFit next = fitAt(size);
        if (next.ascent + next.descent > fontHeight) break;
        best = next;
    }
    return best;
}

const FontMatch& matchFontFace(const char* faceName) {
    return fontCache().match(truncatedName(faceName));
}

const SizedFace* sizedFace(const char* faceName, int fontHeight) {
    return fontCache().sized(truncatedName(faceName), fontHeight);
}
