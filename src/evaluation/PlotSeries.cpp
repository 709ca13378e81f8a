#include "evaluation/PlotSeries.h"
#include "evaluation/Namespace.h"

#include <cmath>
#include <limits>

namespace dedezuviv::evaluation {

namespace {

constexpr size_t Block = 64;

// Non-finite values (a damaged day file's 1e308 becomes infinity as a float) stay out of every range,
// so they cannot stretch an axis to nothing.
void Widen(float value, float& min, float& max)
{
    if (!std::isfinite(value))
        return;
    if (value < min)
        min = value;
    if (value > max)
        max = value;
}

}  // namespace

void TValueSummary::Build(const TChunkedColumn<float>& values)
{
    Levels.clear();
    const size_t count = values.Size();
    if (count <= Block)
        return;
    TLevel first;
    first.Min.reserve(count / Block + 1);
    first.Max.reserve(count / Block + 1);
    for (size_t start = 0; start < count; start += Block) {
        float min = std::numeric_limits<float>::infinity(), max = -min;
        const size_t end = start + Block < count ? start + Block : count;
        for (size_t i = start; i < end; ++i)
            Widen(values[i], min, max);
        first.Min.push_back(min);
        first.Max.push_back(max);
    }
    Levels.push_back(std::move(first));
    while (Levels.back().Min.size() > Block) {
        const TLevel& below = Levels.back();
        TLevel next;
        for (size_t start = 0; start < below.Min.size(); start += Block) {
            float min = std::numeric_limits<float>::infinity(), max = -min;
            const size_t end = start + Block < below.Min.size() ? start + Block : below.Min.size();
            for (size_t i = start; i < end; ++i) {
                Widen(below.Min[i], min, max);
                Widen(below.Max[i], min, max);
            }
            next.Min.push_back(min);
            next.Max.push_back(max);
        }
        Levels.push_back(std::move(next));
    }
}

bool TValueSummary::Range(const TChunkedColumn<float>& values, size_t first, size_t last, float& min,
                          float& max) const
{
    if (first >= last)
        return false;
    min = std::numeric_limits<float>::infinity();
    max = -min;
    // Level -1 is the values themselves, level k the blocks of Levels[k]. Whole blocks of the range
    // are taken from the level above; only the ragged ends are looked at here.
    int level = -1;
    size_t a = first, b = last;
    for (;;) {
        const bool canRise = level + 1 < static_cast<int>(Levels.size());
        const size_t upperA = (a + Block - 1) / Block, upperB = b / Block;
        const bool rise = canRise && upperA < upperB;
        const size_t scanEndLow = rise ? upperA * Block : b;
        for (size_t i = a; i < scanEndLow; ++i) {
            if (level < 0) {
                Widen(values[i], min, max);
            } else {
                Widen(Levels[level].Min[i], min, max);
                Widen(Levels[level].Max[i], min, max);
            }
        }
        if (!rise)
            break;
        for (size_t i = upperB * Block; i < b; ++i) {
            if (level < 0) {
                Widen(values[i], min, max);
            } else {
                Widen(Levels[level].Min[i], min, max);
                Widen(Levels[level].Max[i], min, max);
            }
        }
        a = upperA;
        b = upperB;
        ++level;
    }
    return min <= max;
}

size_t TValueSummary::MemoryBytes() const
{
    size_t bytes = 0;
    for (const TLevel& level : Levels)
        bytes += (level.Min.capacity() + level.Max.capacity()) * sizeof(float);
    return bytes;
}

TPlotSeries::TPlotSeries(std::string title, std::shared_ptr<TTimeColumn> times)
    : Title(std::move(title)), Times(times ? std::move(times) : std::make_shared<TTimeColumn>())
{
}

void TPlotSeries::AddValue(float y) { Values.PushBack(y); }

void TPlotSeries::AddXY(TDateTime x, float y)
{
    Times->PushBack(x);
    Values.PushBack(y);
}

void TPlotSeries::ScaleValues(float factor, float offset)
{
    for (size_t i = 0; i < Values.Size(); ++i)
        Values.At(i) = Values[i] * factor + offset;
    SummaryCount = static_cast<size_t>(-1);
}

void TPlotSeries::ReorderValues(size_t first, const std::vector<size_t>& order)
{
    Values.Reorder(first, order);
    SummaryCount = static_cast<size_t>(-1);
}

size_t TPlotSeries::LowerBound(TDateTime time) const
{
    size_t low = 0, high = Count();
    while (low < high) {
        const size_t mid = low + (high - low) / 2;
        if ((*Times)[mid] < time)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

size_t TPlotSeries::UpperBound(TDateTime time) const
{
    size_t low = 0, high = Count();
    while (low < high) {
        const size_t mid = low + (high - low) / 2;
        if ((*Times)[mid] <= time)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

void TPlotSeries::EnsureSummary() const
{
    if (SummaryCount == Count())
        return;
    Summary.Build(Values);
    SummaryCount = Count();
}

bool TPlotSeries::ValueRange(size_t first, size_t last, float& min, float& max) const
{
    if (last > Count())
        last = Count();
    EnsureSummary();
    return Summary.Range(Values, first, last, min, max);
}

size_t TPlotSeries::MemoryBytes() const { return Values.MemoryBytes() + Summary.MemoryBytes(); }

void OrderByTime(TTimeColumn& times, const std::vector<std::unique_ptr<TPlotSeries>>& series)
{
    // [0, sorted) is in order; each run that follows is merged into it.
    const size_t count = times.Size();
    size_t sorted = 1;
    while (sorted < count) {
        if (times[sorted] >= times[sorted - 1]) {
            ++sorted;
            continue;
        }
        const size_t run = sorted;
        size_t runEnd = run + 1;
        while (runEnd < count && times[runEnd] >= times[runEnd - 1])
            ++runEnd;
        // The points of the run before the last in order, and the points in order after the run's first,
        // are merged; earlier points go first where the times are equal.
        const TDateTime last = times[run - 1], runFirst = times[run];
        size_t from = run;
        while (from > 0 && times[from - 1] > runFirst)
            --from;
        size_t to = run;
        while (to < runEnd && times[to] < last)
            ++to;
        std::vector<size_t> order;
        order.reserve(to - from);
        size_t a = from, b = run;
        while (a < run || b < to)
            order.push_back((b == to || (a < run && times[a] <= times[b]) ? a++ : b++) - from);
        times.Reorder(from, order);
        for (const std::unique_ptr<TPlotSeries>& s : series)
            s->ReorderValues(from, order);
        sorted = runEnd;
    }
}

}  // namespace dedezuviv::evaluation
