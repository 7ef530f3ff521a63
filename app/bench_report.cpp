#include "app/bench_report.h"

#include "app/programme_times.h"

#include <algorithm>
#include <cstdio>

std::vector<BenchSegment> programmeSegments()
{
    return {
        {"title + spheres", 0, kTitleEndMs, {}},
        {"video", kTitleEndMs, kVideoEndMs, {}},
        {"tunnel", kVideoEndMs, kCreditsStartMs, {}},
        {"tunnel + sphere", kCreditsStartMs, kFlashStartMs, {}},
        {"tunnel + sphere + flash", kFlashStartMs, kProgrammeEndMs, {}},
    };
}

double medianOf(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

std::vector<BenchFigures> benchFigures(const std::vector<BenchSegment>& segments)
{
    std::vector<BenchFigures> figures;
    for (const BenchSegment& s : segments) {
        if (s.ms.empty())
            continue;
        BenchFigures f;
        f.label = s.name + " " + std::to_string(s.fromMs / 1000) + "-" + std::to_string(s.toMs / 1000);
        f.frames = s.ms.size();
        f.medianMs = medianOf(s.ms);
        f.worstMs = *std::max_element(s.ms.begin(), s.ms.end());
        f.fps = f.medianMs > 0 ? 1000.0 / f.medianMs : 0.0;
        figures.push_back(f);
    }
    return figures;
}

int worstSegment(const std::vector<BenchFigures>& figures)
{
    int worst = -1;
    for (size_t i = 0; i < figures.size(); ++i)
        if (worst < 0 || figures[i].medianMs > figures[size_t(worst)].medianMs)
            worst = int(i);
    return worst;
}

std::string benchTable(const std::vector<BenchFigures>& figures)
{
    std::string text;
    char line[160];
    std::snprintf(line, sizeof line, "%-32s %8s %10s %10s %10s\n", "segment (music s)", "frames", "median ms",
                  "worst ms", "fps");
    text += line;
    for (const BenchFigures& f : figures) {
        std::snprintf(line, sizeof line, "%-32s %8zu %10.3f %10.3f %10.0f\n", f.label.c_str(), f.frames,
                      f.medianMs, f.worstMs, f.fps);
        text += line;
    }
    const int w = worstSegment(figures);
    if (w >= 0) {
        const BenchFigures& f = figures[size_t(w)];
        std::snprintf(line, sizeof line, "worst segment: %s, median %.3f ms per frame (%.0f fps)\n",
                      f.label.c_str(), f.medianMs, f.fps);
        text += line;
    }
    return text;
}

namespace {

// Labels are our own fixed texts, but quote and backslash are escaped all the same.
std::string jsonString(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string jsonNumber(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}

}  // namespace

std::string benchJson(const std::vector<BenchFigures>& figures, int fps, int32_t fromMs, int32_t toMs)
{
    std::string text = "{\n  \"fps\": " + std::to_string(fps) + ",\n  \"from_ms\": " + std::to_string(fromMs) +
                       ",\n  \"to_ms\": " + std::to_string(toMs) + ",\n  \"segments\": [";
    for (size_t i = 0; i < figures.size(); ++i) {
        const BenchFigures& f = figures[i];
        text += std::string(i ? "," : "") + "\n    {\"segment\": " + jsonString(f.label) +
                ", \"frames\": " + std::to_string(f.frames) + ", \"median_ms\": " + jsonNumber(f.medianMs) +
                ", \"worst_ms\": " + jsonNumber(f.worstMs) + ", \"fps\": " + jsonNumber(f.fps) + "}";
    }
    text += figures.empty() ? "]" : "\n  ]";
    const int w = worstSegment(figures);
    text += ",\n  \"worst_segment\": " + (w >= 0 ? jsonString(figures[size_t(w)].label) : std::string("null")) +
            "\n}\n";
    return text;
}
