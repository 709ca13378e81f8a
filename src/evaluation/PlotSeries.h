// The line series the recorded-data reader fills and the charts draw: a title and points (time, value),
// held so that a year of records fits in a few bytes per point and a chart can draw any part of it
// without walking every point.
//
// All series of one reading share one time column, since every accepted record gives each series a
// point at the same time; each series holds its own values as single-precision floats. A reading may
// accept a record earlier than the one before it (a clock set back, the hour that repeats when summer
// time ends); it puts the points in time order at its end (OrderByTime), so that the times of a series
// never decrease and a time range maps to an index range by binary search.
#pragma once

#include "base/DateTime.h"
#include "evaluation/Namespace.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace dedezuviv::evaluation {

// Values in chunks of a fixed size: appending never moves what is stored (no copy of a growing vector,
// no doubled capacity), and at most one chunk is allocated ahead.
template <typename T>
class TChunkedColumn {
public:
    static constexpr size_t ChunkBits = 16;
    static constexpr size_t ChunkSize = size_t(1) << ChunkBits;

    void PushBack(T value)
    {
        if ((Count & (ChunkSize - 1)) == 0)
            Chunks.push_back(std::make_unique_for_overwrite<T[]>(ChunkSize));  // filled before read
        Chunks.back()[Count & (ChunkSize - 1)] = value;
        ++Count;
    }
    size_t Size() const { return Count; }
    bool Empty() const { return Count == 0; }
    T operator[](size_t i) const { return Chunks[i >> ChunkBits][i & (ChunkSize - 1)]; }
    T& At(size_t i) { return Chunks[i >> ChunkBits][i & (ChunkSize - 1)]; }
    // The stored values from index First on that lie in one chunk; Length receives their number
    // (at most Last - First).
    const T* Run(size_t first, size_t last, size_t& length) const
    {
        const size_t offset = first & (ChunkSize - 1);
        const size_t inChunk = ChunkSize - offset;
        length = last - first < inChunk ? last - first : inChunk;
        return Chunks[first >> ChunkBits].get() + offset;
    }
    size_t MemoryBytes() const { return Chunks.size() * ChunkSize * sizeof(T) + Chunks.capacity() * sizeof(void*); }
    // The values from First on in a new order: value First + i becomes the one at First + Order[i].
    void Reorder(size_t first, const std::vector<size_t>& order)
    {
        std::vector<T> old(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            old[i] = (*this)[first + i];
        for (size_t i = 0; i < order.size(); ++i)
            At(first + i) = old[order[i]];
    }

private:
    std::vector<std::unique_ptr<T[]>> Chunks;
    size_t Count = 0;
};

using TTimeColumn = TChunkedColumn<TDateTime>;

// The smallest and largest value of blocks of a series, at several block sizes, so that the extremes
// of any index range are found by looking at a few hundred values at most.
class TValueSummary {
public:
    void Build(const TChunkedColumn<float>& values);
    // The extremes of values[First, Last); false for an empty range.
    bool Range(const TChunkedColumn<float>& values, size_t first, size_t last, float& min, float& max) const;
    size_t MemoryBytes() const;

private:
    static constexpr size_t BlockBits = 6;  // 64 values, then 64 blocks, ...
    struct TLevel {
        std::vector<float> Min, Max;
    };
    std::vector<TLevel> Levels;
};

class TPlotSeries {
public:
    TPlotSeries(std::string title, std::shared_ptr<TTimeColumn> times);

    // The title: the qualified field name while reading; a chart may set its own.
    std::string Title;

    size_t Count() const { return Values.Size(); }
    TDateTime X(size_t i) const { return (*Times)[i]; }
    float Y(size_t i) const { return Values[i]; }
    // Appends a value for the time at the same index of the shared time column (the reader adds the
    // time first).
    void AddValue(float y);
    // Appends a point: for a series that owns its time column alone.
    void AddXY(TDateTime x, float y);
    // Every value y becomes y * Factor + Offset (in single precision, as it is stored).
    void ScaleValues(float factor, float offset);
    // The values from First on in a new order (TChunkedColumn::Reorder).
    void ReorderValues(size_t first, const std::vector<size_t>& order);

    // First index whose time is not before Time (Count() when none).
    size_t LowerBound(TDateTime time) const;
    // First index whose time is after Time.
    size_t UpperBound(TDateTime time) const;
    // The extremes of the finite values with index in [First, Last); false when there is none.
    bool ValueRange(size_t first, size_t last, float& min, float& max) const;
    // The extremes of all finite values; false without any.
    bool ValueRange(float& min, float& max) const { return ValueRange(0, Count(), min, max); }

    const std::shared_ptr<TTimeColumn>& TimeColumn() const { return Times; }
    // Bytes held for the values and their summary (the shared time column not counted).
    size_t MemoryBytes() const;

private:
    void EnsureSummary() const;

    std::shared_ptr<TTimeColumn> Times;
    TChunkedColumn<float> Values;
    mutable TValueSummary Summary;
    mutable size_t SummaryCount = static_cast<size_t>(-1);
};

// Puts the points of the series that share the time column in time order; points of equal time keep
// their order. Only the stretches out of order are moved: the cost follows the points that came late.
void OrderByTime(TTimeColumn& times, const std::vector<std::unique_ptr<TPlotSeries>>& series);

}  // namespace dedezuviv::evaluation
