#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/effect.h"
#include "core/effect_list.h"
#include "core/radix_sorter.h"
#include "core/frame.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

namespace {

// Records every render call as "name@localMs" into a shared log.
class Probe : public Effect {
public:
    Probe(std::string name, int32_t start, int32_t end, int32_t layer, std::vector<std::string>& log)
        : Effect(start, end, layer), name_(std::move(name)), log_(log)
    {
    }
    void render(Frame&, int32_t localMs) override { log_.push_back(name_ + "@" + std::to_string(localMs)); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

struct Fixture {
    EffectList list;
    std::vector<std::unique_ptr<Probe>> effects;
    std::vector<std::unique_ptr<TimeWindow>> windows;
    std::vector<std::string> log;

    Probe* add(const char* name, int32_t start, int32_t end, int32_t layer, bool ownWindow = true)
    {
        effects.push_back(std::make_unique<Probe>(name, start, end, layer, log));
        Probe* e = effects.back().get();
        if (ownWindow)
            window(e, start, end);
        list.add(e);
        return e;
    }
    void window(Effect* e, int32_t start, int32_t end)
    {
        windows.push_back(std::make_unique<TimeWindow>(TimeWindow{start, end}));
        e->addWindow(windows.back().get());
    }
    std::vector<std::string> frame(int32_t t)
    {
        log.clear();
        list.renderFrame(frameUnderTest, t);
        return log;
    }
};

using Log = std::vector<std::string>;

// Effects registered as (name, start, end, layer), each with one window
// equal to its span, and the calls made by frames at given times.
struct Add {
    const char* name;
    int32_t start, end, layer;
};
struct Frame {
    int32_t t;
    Log calls;
};
struct Case {
    const char* what;
    std::vector<Add> effects;
    std::vector<Frame> frames;
};

TEST(EffectList, DrawsLiveEffectsInLayerOrderAtTheirLocalTime)
{
    const Case cases[] = {
        {"windows are open at both ends; the same time twice renders twice",
         {{"a", 0, 21000, 3}},
         {{0, {}}, {1, {"a@1"}}, {1, {"a@1"}}, {20999, {"a@20999"}}, {21000, {}}, {21001, {}}}},
        {"lower layers first whatever the registration order",
         {{"top", 0, 100, 5}, {"bottom", 0, 100, 1}, {"middle", 0, 100, 3}},
         {{50, {"bottom@50", "middle@50", "top@50"}}}},
        // Activated early, sameStartAddedLater (registration order for equal
        // starts), then late; the active list is newest first.
        {"equal layers draw the later activated first",
         {{"early", 0, 100, 2}, {"late", 10, 100, 2}, {"sameStartAddedLater", 0, 100, 2}},
         {{50, {"late@40", "sameStartAddedLater@50", "early@50"}}}},
        {"layers compare as unsigned keys",
         {{"negative", 0, 100, -1}, {"big", 0, 100, 0x7FFFFFFF}, {"zero", 0, 100, 0}, {"byte1", 0, 100, 0x100}},
         {{1, {"zero@1", "byte1@1", "big@1", "negative@1"}}}},
        {"retiring the middle effect keeps the others in order",
         {{"a", 0, 1000, 1}, {"b", 1, 50, 1}, {"c", 2, 1000, 1}},
         {{10, {"c@8", "b@9", "a@10"}}, {60, {"c@58", "a@60"}}}},
        {"an effect skipped over is activated and retired in one frame",
         {{"brief", 100, 200, 1}, {"later", 50, 1000, 2}},
         {{10, {}}, {500, {"later@450"}}}},
    };
    for (const Case& c : cases) {
        Fixture f;
        for (const Add& a : c.effects)
            f.add(a.name, a.start, a.end, a.layer);
        f.list.prepare();
        for (const Frame& frame : c.frames)
            EXPECT_EQ(f.frame(frame.t), frame.calls) << c.what << ", t " << frame.t;
        // Only live effects stay active.
        int active = 0;
        for (auto* node = f.list.active.head; node; node = node->next)
            ++active;
        EXPECT_EQ(active, static_cast<int>(c.frames.back().calls.size())) << c.what;
    }
}

TEST(EffectList, LocalTimeIsMeasuredFromStartNotFromTheWindow)
{
    Fixture f;
    Probe* e = f.add("v", 21000, 60100, 4);
    f.window(e, 30000, 40000);
    f.list.prepare();
    EXPECT_EQ(f.frame(35000), Log{"v@14000"});
}

TEST(EffectList, ActiveButOutsideEveryWindowIsNotDrawn)
{
    Fixture f;
    Probe* noWindow = f.add("none", 0, 100, 1, false);
    Probe* outside = f.add("outside", 0, 100, 1, false);
    f.window(outside, 200, 300);
    f.window(outside, 80000, 12000);  // end before start: never contains anything
    Probe* inverted = f.add("inverted", 0, 100, 1, false);
    f.window(inverted, 80000, 12000);
    f.list.prepare();
    for (int32_t t : {1, 50, 100, 250})
        EXPECT_EQ(f.frame(t), Log{}) << t;
    (void)noWindow;
}

TEST(EffectList, IsLiveNeedsAStrictlyContainingWindow)
{
    Fixture f;
    Probe* e = f.add("e", 0, 1000, 1, false);
    f.window(e, 10, 20);
    f.window(e, 30, 40);
    EXPECT_FALSE(e->isLive(10));
    EXPECT_TRUE(e->isLive(11));
    EXPECT_FALSE(e->isLive(20));
    EXPECT_FALSE(e->isLive(25));
    EXPECT_TRUE(e->isLive(39));
    EXPECT_FALSE(e->isLive(40));
    EXPECT_EQ(e->windows.cursor, e->windows.head) << "a walk leaves the cursor on the head";
}

TEST(EffectList, AddAndPushBeyondCapacityAreIgnored)
{
    EffectList list;
    Effect e(0, 10, 0);
    for (int i = 0; i < EffectList::kCapacity + 1; ++i)
        list.add(&e);
    EXPECT_EQ(list.registered.count, EffectList::kCapacity);
    RadixSorter sorter(2);
    for (uint32_t key : {1u, 2u, 3u})
        sorter.push(key, nullptr);
    EXPECT_EQ(sorter.count, 2);
}

TEST(EffectList, LiveTableSkipsEffectsBeyondCapacity)
{
    EffectList list;
    std::vector<std::unique_ptr<Effect>> effects;
    TimeWindow w{0, 100};
    for (int i = 0; i < EffectList::kCapacity; ++i) {
        effects.push_back(std::make_unique<Effect>(0, 100, 0));
        effects.back()->addWindow(&w);
        list.add(effects.back().get());
    }
    list.prepare();
    list.renderFrame(frameUnderTest, 50);
    EXPECT_EQ(list.live.count, EffectList::kCapacity);
}

TEST(RadixSorter, SortsByUnsignedKeyStablyIntoScratch)
{
    RadixSorter sorter(16);
    Effect tags[8] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0},
                      {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    const uint32_t keys[8] = {0x01000000u, 5u, 0xFFFFFFFFu, 5u, 0x00010000u, 0u, 0x0100u, 5u};
    for (int i = 0; i < 8; ++i)
        sorter.push(keys[i], &tags[i]);
    sorter.sort();
    const int expected[8] = {5, 1, 3, 7, 6, 4, 0, 2};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(sorter.scratch[i].effect, &tags[expected[i]]) << i;
    // The other buffer holds the order of the low three bytes only.
    EXPECT_EQ(sorter.items[0].key, 0x01000000u);
    EXPECT_EQ(sorter.items[7].key, 0xFFFFFFFFu);
}

}  // namespace
