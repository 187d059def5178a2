#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

// Qt defines "slots" as an empty keyword macro; keep this header includable after Qt's headers.
#pragma push_macro("slots")
#undef slots

// A raw sample of the trend graph.
struct GraphPoint {
    float time;  // seconds (trend page) or the table's x
    float value; // in the unit of the graph
};
static_assert(sizeof(GraphPoint) == 8, "a raw sample must stay 8 bytes");

// The raw samples in fixed-size chunks: growing never copies what is stored, and a long
// recording holds little more than 8 bytes a sample (a vector's doubling holds up to 16).
class GraphPoints {
public:
    static constexpr std::size_t kChunkBits = 16;
    static constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = GraphPoint;
        using difference_type = std::ptrdiff_t;
        using pointer = const GraphPoint*;
        using reference = const GraphPoint&;

        const_iterator() = default;
        const_iterator(const GraphPoints* points, std::size_t index)
            : m_points(points), m_index(index) {}
        reference operator*() const { return (*m_points)[m_index]; }
        pointer operator->() const { return &(*m_points)[m_index]; }
        reference operator[](difference_type n) const { return *(*this + n); }
        const_iterator& operator++() { return ++m_index, *this; }
        const_iterator operator++(int) { return {m_points, m_index++}; }
        const_iterator& operator--() { return --m_index, *this; }
        const_iterator operator--(int) { return {m_points, m_index--}; }
        const_iterator& operator+=(difference_type n) { return m_index += n, *this; }
        const_iterator& operator-=(difference_type n) { return m_index -= n, *this; }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
            return static_cast<difference_type>(a.m_index) -
                   static_cast<difference_type>(b.m_index);
        }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) {
            return a.m_index <=> b.m_index;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.m_index == b.m_index;
        }

    private:
        const GraphPoints* m_points = nullptr;
        std::size_t m_index = 0;
    };

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const GraphPoint& operator[](std::size_t i) const {
        return m_chunks[i >> kChunkBits][i & (kChunkSize - 1)];
    }
    const GraphPoint& back() const { return (*this)[m_size - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, m_size}; }
    void push_back(const GraphPoint& p);
    void clear();
    // What the samples take in memory, chunks and their index.
    std::size_t bytes() const;

private:
    std::vector<std::unique_ptr<GraphPoint[]>> m_chunks;
    std::size_t m_size = 0;
};

// The trend graph's samples: every raw point for browsing, and a decimated envelope of at most
// kSlotCount slots that bounds the work of a live redraw however long the recording runs.
// Decimation merges neighbouring slots pairwise; no sample is ever dropped from the envelope.
// A summary of every kBlockSize samples' lowest and highest value, kept as samples arrive,
// answers the extremes of any run of samples without reading each.
class CGraphStore {
public:
    using Point = GraphPoint;
    static constexpr std::size_t kBlockSize = 256;

    struct Slot {
        int32_t count = 0; // samples merged
        float meanTime = 0;
        float minValue = 0;
        float maxValue = 0;
    };

    static constexpr int kSlotCount = 10000;

    CGraphStore();

    // Appends a sample; a NaN time or value is dropped (false), values beyond the float range are
    // held at the largest float of their sign.
    bool addSample(double time, double value);
    void clear();

    const GraphPoints& points() const { return m_points; }
    // The lowest and highest value of the samples first to last - 1 (first < last).
    void valueRange(std::size_t first, std::size_t last, float& low, float& high) const;
    // What the store takes in memory.
    std::size_t bytes() const;
    // Always kSlotCount entries; slots after slotIndex() are empty.
    const std::vector<Slot>& slots() const { return m_slots; }
    // The slot now being filled.
    int slotIndex() const { return m_slotIndex; }
    // Samples a slot takes before the next slot is used (doubles at every compression).
    int samplesPerSlot() const { return m_samplesPerSlot; }
    // True while every point's time is at least its predecessor's (a recording; a table may not).
    bool timesAscending() const { return m_timesAscending; }

    // a takes b in: count-weighted mean time, combined extremes, summed counts.
    static void merge(Slot& a, const Slot& b);

private:
    void compress();

    struct Extremes {
        float low;
        float high;
    };
    GraphPoints m_points;
    std::vector<Extremes> m_blocks; // per kBlockSize samples, the last one partly filled
    std::vector<Slot> m_slots;
    int m_slotIndex = 0;
    int m_samplesPerSlot = 1;
    bool m_timesAscending = true;
};

#pragma pop_macro("slots")
