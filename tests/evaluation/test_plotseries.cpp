// The series storage of the charts: chunked columns, the time search and the block summary that gives
// the extremes of any index range.
#include "evaluation/PlotSeries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>

using namespace dedezuviv::evaluation;

namespace {

TEST(PlotSeriesTest, ExtremesOfAnyRangeMatchAPlainScan)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-50, 50);
    auto times = std::make_shared<TTimeColumn>();
    TPlotSeries series("Kessel (Temperatur)", times);
    // More than one chunk, and enough for three summary levels.
    const size_t count = TChunkedColumn<float>::ChunkSize + 300000;
    std::vector<float> plain;
    for (size_t i = 0; i < count; ++i) {
        times->PushBack(45000.0 + static_cast<double>(i) / 8640.0);
        plain.push_back(value(random));
        series.AddValue(plain.back());
    }
    ASSERT_EQ(series.Count(), count);
    std::uniform_int_distribution<size_t> index(0, count);
    for (int round = 0; round < 300; ++round) {
        size_t a = index(random), b = index(random);
        if (round % 3 == 0)
            b = std::min(count, a + round);  // short ranges too
        if (a > b)
            std::swap(a, b);
        float low = 0, high = 0;
        const bool found = series.ValueRange(a, b, low, high);
        ASSERT_EQ(found, a < b);
        if (!found)
            continue;
        EXPECT_EQ(low, *std::min_element(plain.begin() + a, plain.begin() + b)) << a << ".." << b;
        EXPECT_EQ(high, *std::max_element(plain.begin() + a, plain.begin() + b)) << a << ".." << b;
    }

    // Scaling changes the values and the summary with them.
    series.ScaleValues(0.8f, -2.0f);
    float low = 0, high = 0;
    ASSERT_TRUE(series.ValueRange(low, high));
    EXPECT_FLOAT_EQ(high, *std::max_element(plain.begin(), plain.end()) * 0.8f - 2.0f);
    EXPECT_FLOAT_EQ(series.Y(5), plain[5] * 0.8f - 2.0f);
}

TEST(PlotSeriesTest, NonFiniteValuesStayOutOfEveryRange)
{
    auto times = std::make_shared<TTimeColumn>();
    TPlotSeries series("Kessel (Temperatur)", times);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Beyond one summary block, with blocks made only of non-finite values.
    // The finite values run from -10 to 40.
    for (int i = 0; i < 1000; ++i) {
        times->PushBack(45000.0 + i / 1440.0);
        const bool damaged = (i >= 64 && i < 256) || i % 7 == 0;
        series.AddValue(damaged ? (i % 2 == 0 ? inf : (i % 3 == 0 ? -inf : nan)) : static_cast<float>(i % 51 - 10));
    }
    float low = 0, high = 0;
    ASSERT_TRUE(series.ValueRange(low, high));
    EXPECT_EQ(low, -10.0f);
    EXPECT_EQ(high, 40.0f);
    EXPECT_FALSE(series.ValueRange(64, 256, low, high)) << "no finite value in that range";
    ASSERT_TRUE(series.ValueRange(250, 260, low, high));
    EXPECT_TRUE(std::isfinite(low) && std::isfinite(high));
}

TEST(PlotSeriesTest, TimeSearchWithEqualTimes)
{
    TPlotSeries series("x", nullptr);
    for (double t : {1.0, 2.0, 2.0, 2.0, 3.0})
        series.AddXY(t, static_cast<float>(t));
    EXPECT_EQ(series.LowerBound(2.0), 1u);
    EXPECT_EQ(series.UpperBound(2.0), 4u);
    EXPECT_EQ(series.LowerBound(0.5), 0u);
    EXPECT_EQ(series.UpperBound(3.5), 5u);
    EXPECT_EQ(series.LowerBound(3.5), 5u);
    float low = 0, high = 0;
    EXPECT_FALSE(series.ValueRange(3, 3, low, high));
    EXPECT_TRUE(series.ValueRange(0, 99, low, high));  // the end is clamped
    EXPECT_EQ(low, 1.0f);
    EXPECT_EQ(high, 3.0f);
}

TEST(PlotSeriesTest, OrderByTimeMatchesAStableSortOfTheSeriesTogether)
{
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        // Runs of rising times (some equal) with jumps back: clocks set back, hours that repeat.
        auto times = std::make_shared<TTimeColumn>();
        std::vector<std::unique_ptr<TPlotSeries>> series;
        series.push_back(std::make_unique<TPlotSeries>("a", times));
        series.push_back(std::make_unique<TPlotSeries>("b", times));
        std::vector<std::tuple<double, float, float>> plain;
        double t = 100;
        const int count = 1 + static_cast<int>(random() % 3000);
        for (int i = 0; i < count; ++i) {
            const unsigned step = random() % 50;
            t += step == 0 ? -static_cast<double>(random() % 400) : step == 1 ? 0 : 1;
            times->PushBack(t);
            series[0]->AddValue(static_cast<float>(i));
            series[1]->AddValue(static_cast<float>(-i));
            plain.emplace_back(t, static_cast<float>(i), static_cast<float>(-i));
        }
        float low = 0, high = 0;
        series[0]->ValueRange(0, 10, low, high);  // a summary made before the new order
        OrderByTime(*times, series);
        std::stable_sort(plain.begin(), plain.end(),
                         [](const auto& x, const auto& y) { return std::get<0>(x) < std::get<0>(y); });
        for (size_t i = 0; i < plain.size(); ++i) {
            ASSERT_EQ(series[0]->X(i), std::get<0>(plain[i])) << round << " " << i;
            ASSERT_EQ(series[0]->Y(i), std::get<1>(plain[i])) << round << " " << i;
            ASSERT_EQ(series[1]->Y(i), std::get<2>(plain[i])) << round << " " << i;
        }
        const size_t first = std::min<size_t>(10, plain.size());
        if (series[0]->ValueRange(0, first, low, high)) {
            float expected = std::get<1>(plain[0]);
            for (size_t i = 0; i < first; ++i)
                expected = std::min(expected, std::get<1>(plain[i]));
            EXPECT_EQ(low, expected);
        }
    }
}

}  // namespace
