#include "media/font_cache.h"

#include <fontconfig/fontconfig.h>
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

#include "pixel/cp1252.h"

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
        if (config_) FcConfigDestroy(config_);
    }

    const FontMatch& match(const std::string& name) {
        auto found = matches_.find(name);
        if (found != matches_.end()) return found->second;
        return matches_.emplace(name, resolve(name)).first->second;
    }

    const SizedFace* sized(const std::string& name, int fontHeight) {
        const auto key = std::make_pair(name, fontHeight);
        auto found = faces_.find(key);
        if (found == faces_.end()) found = faces_.emplace(key, open(match(name), fontHeight)).first;
        return found->second.face ? &found->second : nullptr;
    }

private:
    FontMatch resolve(const std::string& name) {
        if (!config_) config_ = FcInitLoadConfigAndFonts();
        if (!config_) return FontMatch{};
        const std::string utf8 = cp1252ToUtf8(name.c_str());
        FontMatch result = query(utf8, -1);
        // Names such as "Arial Black" are the heavy member of a family. When no
        // installed font carries the whole name, ask for the family at that
        // weight, so the substitute is at least as heavy as the face asked for.
        static const std::pair<const char*, int> kWeights[] = {
            {" Black", FC_WEIGHT_BLACK}, {" Heavy", FC_WEIGHT_HEAVY}, {" Bold", FC_WEIGHT_BOLD},
            {" Light", FC_WEIGHT_LIGHT}};
        if (sameFamily(result.family, utf8)) return result;
        for (const auto& [suffix, weight] : kWeights) {
            const size_t n = std::strlen(suffix);
            if (utf8.size() <= n || utf8.compare(utf8.size() - n, n, suffix) != 0) continue;
            const std::string family = utf8.substr(0, utf8.size() - n);
            FontMatch weighted = query(family, weight);
            // fontconfig always answers; only a face of the same (or an aliased,
            // metric-compatible) family counts as that family at this weight.
            if (!weighted.file.empty() && !sameFamily(weighted.family, result.family)) return weighted;
        }
        return result;
    }

    static bool sameFamily(const std::string& a, const std::string& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    }

    FontMatch query(const std::string& family, int weight) {
        FontMatch result;
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        if (weight >= 0) FcPatternAddInteger(pattern, FC_WEIGHT, weight);
        // Only scalable faces: the cell is fitted by scaling the outlines.
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config_, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult status = FcResultNoMatch;
        FcPattern* chosen = FcFontMatch(config_, pattern, &status);
        if (chosen) {
            FcChar8* text = nullptr;
            if (FcPatternGetString(chosen, FC_FILE, 0, &text) == FcResultMatch)
                result.file = reinterpret_cast<const char*>(text);
            if (FcPatternGetString(chosen, FC_FAMILY, 0, &text) == FcResultMatch)
                result.family = reinterpret_cast<const char*>(text);
            if (FcPatternGetString(chosen, FC_STYLE, 0, &text) == FcResultMatch)
                result.style = reinterpret_cast<const char*>(text);
            int index = 0;
            if (FcPatternGetInteger(chosen, FC_INDEX, 0, &index) == FcResultMatch) result.index = index;
            FcPatternDestroy(chosen);
        }
        FcPatternDestroy(pattern);
        return result;
    }

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

    FcConfig* config_ = nullptr;
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
