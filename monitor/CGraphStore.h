#pragma once

#include <cstdint>
#include <vector>

// Qt defines "slots" as an empty keyword macro; keep this header includable after Qt's headers.
#pragma push_macro("slots")
#undef slots

// The trend graph's samples: every raw point for browsing, and a decimated envelope of at most
// kSlotCount slots that bounds the work of a live redraw however long the recording runs.
// Decimation merges neighbouring slots pairwise; no sample is ever dropped from the envelope.
class CGraphStore {
public:
    struct Point {
        float time;  // seconds (trend page) or the table's x
        float value; // in the unit of the graph
    };
    static_assert(sizeof(Point) == 8, "a raw sample must stay 8 bytes");

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

    const std::vector<Point>& points() const { return m_points; }
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

    std::vector<Point> m_points;
    std::vector<Slot> m_slots;
    int m_slotIndex = 0;
    int m_samplesPerSlot = 1;
    bool m_timesAscending = true;
};

#pragma pop_macro("slots")
