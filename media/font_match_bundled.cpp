#include "media/font_match.h"

#include <cctype>
#include <cstring>

// The web build carries no fontconfig and no system fonts: the page ships the
// faces fontconfig chooses on Debian for the names the programme draws with,
// and this table chooses among them as fontconfig does there. "Arial" is the
// metric-compatible Liberation Sans (also for a light Arial: it has no lighter face), a
// heavy Arial its bold, and any other
// name fontconfig's default face, DejaVu Sans. The files live in /fonts of the
// module's file system, put there by the page before the programme starts.
namespace {

bool startsWithArial(const std::string& name, std::string& rest)
{
    static const char kArial[] = "arial";
    const size_t n = std::strlen(kArial);
    if (name.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != kArial[i])
            return false;
    rest = name.substr(n);
    for (char& c : rest)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return true;
}

}  // namespace

FontMatch resolveFontName(const std::string& name)
{
    std::string rest;
    if (startsWithArial(name, rest)) {
        if (rest == " black" || rest == " heavy" || rest == " bold")
            return {"/fonts/LiberationSans-Bold.ttf", 0, "Liberation Sans", "Bold"};
        if (rest.empty() || rest == " light")
            return {"/fonts/LiberationSans-Regular.ttf", 0, "Liberation Sans", "Regular"};
    }
    return {"/fonts/DejaVuSans.ttf", 0, "DejaVu Sans", "Book"};
}
