// The default tunnel texture: size, determinism, detail, and that it tiles
// without a visible seam, since the tunnel wraps it every 256 texels both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/generators.h"
#include "test_support.h"

namespace {

constexpr int kSize = 256;

std::vector<uint8_t> generate(const std::string& name)
{
    const testsupport::ScratchDir dir;
    EXPECT_TRUE(writeTunnelTexture((dir / name).string()));
    return testsupport::readBytes(dir / name);
}

// Mean absolute r, g, b difference between two whole columns (or rows).
double lineStep(const std::vector<uint8_t>& t, int a, int b, bool columns)
{
    long sum = 0;
    for (int i = 0; i < kSize * 3; ++i) {
        const int k = i / 3, ch = i % 3;
        const size_t pa = columns ? size_t(k * kSize + a) : size_t(a * kSize + k);
        const size_t pb = columns ? size_t(k * kSize + b) : size_t(b * kSize + k);
        sum += std::abs(int(t[pa * 3 + ch]) - int(t[pb * 3 + ch]));
    }
    return double(sum) / (kSize * 3);
}

}  // namespace

TEST(TunnelTexture, IsDeterministicAndDetailedAlongAndAround)
{
    const std::vector<uint8_t> t = generate("tunnel_a.raw");
    ASSERT_EQ(t.size(), size_t(kSize * kSize * 3));
    EXPECT_TRUE(t == generate("tunnel_b.raw"));
    // Every row and every column crosses bright and dark features, so motion
    // both along and around the tunnel shows.
    for (const bool columns : {true, false})
        for (int i = 0; i < kSize; ++i) {
            int low = 3 * 255, high = 0;
            for (int k = 0; k < kSize; ++k) {
                const size_t p = (columns ? size_t(k * kSize + i) : size_t(i * kSize + k)) * 3;
                const int sum = t[p] + t[p + 1] + t[p + 2];
                low = std::min(low, sum);
                high = std::max(high, sum);
            }
            EXPECT_GT(high - low, 150) << (columns ? "column " : "row ") << i;
        }
}

TEST(TunnelTexture, WrapsWithoutASeamInEitherDirection)
{
    const std::vector<uint8_t> t = generate("tunnel_seam.raw");
    ASSERT_EQ(t.size(), size_t(kSize * kSize * 3));
    // The step across the wrap (last column to first, last row to first) must
    // look like an ordinary step between neighbours, not like an edge: no
    // rougher than three quarters of the interior neighbour pairs.
    for (const bool columns : {true, false}) {
        std::vector<double> interior;
        for (int i = 0; i + 1 < kSize; ++i)
            interior.push_back(lineStep(t, i, i + 1, columns));
        std::sort(interior.begin(), interior.end());
        const double wrap = lineStep(t, kSize - 1, 0, columns);
        EXPECT_LE(wrap, interior[interior.size() * 3 / 4]) << (columns ? "columns" : "rows");
    }
}
