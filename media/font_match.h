#pragma once
// How a face name becomes a font file, as the platform's font mapper would
// choose it. Natively fontconfig answers (font_match_fontconfig.cpp); the web
// build has no fontconfig and answers from the fonts the page ships, which are
// the files fontconfig picks on the build machine (font_match_bundled.cpp).
#include <string>

#include "media/font_cache.h"

// The font for a face name, already cut to the platform's 31 bytes.
FontMatch resolveFontName(const std::string& name);
