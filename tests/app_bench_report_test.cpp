// The figures of --bench: medians, the worst segment, and the JSON form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/bench_report.h"

namespace {

TEST(BenchReport, FiguresPerSegmentAndTheWorstLast)
{
    std::vector<BenchSegment> segments = programmeSegments();
    ASSERT_EQ(segments.size(), 5u);
    // The segments follow the programme's changes of scene without gaps.
    EXPECT_EQ(segments.front().fromMs, 0);
    for (size_t i = 1; i < segments.size(); ++i)
        EXPECT_EQ(segments[i].fromMs, segments[i - 1].toMs);
    EXPECT_EQ(segments.back().toMs, 120000);

    segments[0].ms = {4.0, 1.0, 3.0, 2.0};  // even count: mean of the middle two
    segments[2].ms = {5.0, 9.0, 1.0};       // odd: the middle one; the worst segment
    // Segments without frames (outside --from/--to) are left out.
    const std::vector<BenchFigures> figures = benchFigures(segments);
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[0].label, "title + spheres 0-21");
    EXPECT_DOUBLE_EQ(figures[0].medianMs, 2.5);
    EXPECT_DOUBLE_EQ(figures[0].worstMs, 4.0);
    EXPECT_DOUBLE_EQ(figures[0].fps, 400.0);
    EXPECT_EQ(figures[1].label, "tunnel 60-67");
    EXPECT_DOUBLE_EQ(figures[1].medianMs, 5.0);
    EXPECT_EQ(worstSegment(figures), 1);

    const std::string table = benchTable(figures);
    EXPECT_EQ(table.rfind("worst segment: tunnel 60-67, median 5.000 ms per frame (200 fps)\n"),
              table.find("worst segment"))
        << table;
    EXPECT_EQ(table.back(), '\n');

    const std::string json = benchJson(figures, 60, 0, 120000);
    EXPECT_NE(json.find("\"fps\": 60,"), std::string::npos) << json;
    EXPECT_NE(json.find("{\"segment\": \"title + spheres 0-21\", \"frames\": 4, \"median_ms\": 2.5000, "
                        "\"worst_ms\": 4.0000, \"fps\": 400.0000}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"worst_segment\": \"tunnel 60-67\""), std::string::npos) << json;
    const std::string first = benchJson({figures[0]}, 60, 0, 21000);  // the worst is the first
    EXPECT_NE(first.find("\"worst_segment\": \"title + spheres 0-21\""), std::string::npos) << first;
}

TEST(BenchReport, NoFramesGivesAnEmptyListAndNoWorstSegment)
{
    const std::vector<BenchFigures> none = benchFigures(programmeSegments());
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(worstSegment(none), -1);
    const std::string json = benchJson(none, 30, 0, 10);
    EXPECT_NE(json.find("\"segments\": []"), std::string::npos) << json;
    EXPECT_NE(json.find("\"worst_segment\": null"), std::string::npos) << json;
    EXPECT_EQ(benchTable(none).find("worst segment"), std::string::npos);
}

}  // namespace
