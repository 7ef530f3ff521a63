#include "media/font_match.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "pixel/cp1252.h"

namespace {

// fontconfig's configuration, loaded on first use and released at exit.
struct Config {
    FcConfig* config = FcInitLoadConfigAndFonts();
    Config() = default;
    Config(const Config&) = delete;
    Config& operator=(const Config&) = delete;
    ~Config()
    {
        if (config)
            FcConfigDestroy(config);
    }
};

bool sameFamily(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

FontMatch query(FcConfig* config, const std::string& family, int weight)
{
    FontMatch result;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    if (weight >= 0)
        FcPatternAddInteger(pattern, FC_WEIGHT, weight);
    // Only scalable faces: the cell is fitted by scaling the outlines.
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult status = FcResultNoMatch;
    FcPattern* chosen = FcFontMatch(config, pattern, &status);
    if (chosen) {
        FcChar8* text = nullptr;
        if (FcPatternGetString(chosen, FC_FILE, 0, &text) == FcResultMatch)
            result.file = reinterpret_cast<const char*>(text);
        if (FcPatternGetString(chosen, FC_FAMILY, 0, &text) == FcResultMatch)
            result.family = reinterpret_cast<const char*>(text);
        if (FcPatternGetString(chosen, FC_STYLE, 0, &text) == FcResultMatch)
            result.style = reinterpret_cast<const char*>(text);
        int index = 0;
        if (FcPatternGetInteger(chosen, FC_INDEX, 0, &index) == FcResultMatch)
            result.index = index;
        FcPatternDestroy(chosen);
    }
    FcPatternDestroy(pattern);
    return result;
}

FontMatch resolve(FcConfig* config, const std::string& name)
{
    if (!config)
        return FontMatch{};
    const std::string utf8 = cp1252ToUtf8(name.c_str());
    FontMatch result = query(config, utf8, -1);
    // Names such as "Arial Black" are the heavy member of a family. When no
    // installed font carries the whole name, ask for the family at that
    // weight, so the substitute is at least as heavy as the face asked for.
    static const std::pair<const char*, int> kWeights[] = {{" Black", FC_WEIGHT_BLACK},
                                                           {" Heavy", FC_WEIGHT_HEAVY},
                                                           {" Bold", FC_WEIGHT_BOLD},
                                                           {" Light", FC_WEIGHT_LIGHT}};
    if (sameFamily(result.family, utf8))
        return result;
    for (const auto& [suffix, weight] : kWeights) {
        const size_t n = std::strlen(suffix);
        if (utf8.size() <= n || utf8.compare(utf8.size() - n, n, suffix) != 0)
            continue;
        const std::string family = utf8.substr(0, utf8.size() - n);
        FontMatch weighted = query(config, family, weight);
        // fontconfig always answers; only a face of the same (or an aliased,
        // metric-compatible) family counts as that family at this weight.
        if (!weighted.file.empty() && !sameFamily(weighted.family, result.family))
            return weighted;
    }
    return result;
}

}  // namespace

FontMatch resolveFontName(const std::string& name)
{
    static Config fontconfig;
    return resolve(fontconfig.config, name);
}
