#pragma once
// The figures of --bench: the cost of a frame for each segment of the
// programme, as a table for people and as JSON for tools.
#include <cstdint>
#include <string>
#include <vector>

struct BenchSegment {
    std::string name;
    int32_t fromMs = 0;       // frames with fromMs <= t < toMs belong here
    int32_t toMs = 0;
    std::vector<double> ms;   // cost of each frame, in milliseconds
};

struct BenchFigures {
    std::string label;  // "tunnel 60-67": name and span in whole seconds
    size_t frames = 0;
    double medianMs = 0.0;
    double worstMs = 0.0;
    double fps = 0.0;   // 1000 / median; 0 when the median is 0
};

// The programme's segments, from its changes of scene.
std::vector<BenchSegment> programmeSegments();

double medianOf(std::vector<double> values);

// Figures of the segments that hold frames, in programme order.
std::vector<BenchFigures> benchFigures(const std::vector<BenchSegment>& segments);

// The segment with the highest median, or -1 when there is none.
int worstSegment(const std::vector<BenchFigures>& figures);

// The table: a header, a row per segment, and the worst segment last.
std::string benchTable(const std::vector<BenchFigures>& figures);

// The same figures as one JSON object:
// {"fps": N, "from_ms": A, "to_ms": B, "segments": [{"segment": "...", "frames": n,
//  "median_ms": x, "worst_ms": y, "fps": z}, ...], "worst_segment": "..." or null}
std::string benchJson(const std::vector<BenchFigures>& figures, int fps, int32_t fromMs, int32_t toMs);
