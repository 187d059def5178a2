#include "monitor/CGraphStore.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {
float ToFloat(double v) {
    return static_cast<float>(
        std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}
} // namespace

void GraphPoints::push_back(const GraphPoint& p) {
    if ((m_size & (kChunkSize - 1)) == 0 && (m_size >> kChunkBits) == m_chunks.size())
        m_chunks.push_back(std::make_unique_for_overwrite<GraphPoint[]>(kChunkSize));
    m_chunks[m_size >> kChunkBits][m_size & (kChunkSize - 1)] = p;
    ++m_size;
}

void GraphPoints::clear() {
    m_chunks.clear();
    m_chunks.shrink_to_fit(); // a long recording's memory goes back at once
    m_size = 0;
}

std::size_t GraphPoints::bytes() const {
    return m_chunks.size() * kChunkSize * sizeof(GraphPoint) +
           m_chunks.capacity() * sizeof(m_chunks[0]);
}

CGraphStore::CGraphStore() : m_slots(kSlotCount) {}

void CGraphStore::valueRange(std::size_t first, std::size_t last, float& low, float& high) const {
    low = high = m_points[first].value;
    auto raw = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            low = std::min(low, m_points[i].value);
            high = std::max(high, m_points[i].value);
        }
    };
    const std::size_t firstWhole = (first + kBlockSize - 1) / kBlockSize;
    const std::size_t lastWhole = last / kBlockSize;
    if (firstWhole >= lastWhole) {
        raw(first, last);
        return;
    }
    raw(first, firstWhole * kBlockSize);
    for (std::size_t b = firstWhole; b < lastWhole; ++b) {
        low = std::min(low, m_blocks[b].low);
        high = std::max(high, m_blocks[b].high);
    }
    raw(lastWhole * kBlockSize, last);
}

std::size_t CGraphStore::bytes() const {
    return sizeof(*this) + m_points.bytes() + m_blocks.capacity() * sizeof(Extremes) +
           m_slots.capacity() * sizeof(Slot);
}

bool CGraphStore::addSample(double time, double value) {
    if (std::isnan(time) || std::isnan(value))
        return false;
    Point p{ToFloat(time), ToFloat(value)};
    if (!m_points.empty() && p.time < m_points.back().time)
        m_timesAscending = false;
    if (m_points.size() % kBlockSize == 0)
        m_blocks.push_back({p.value, p.value});
    else
        m_blocks.back() = {std::min(m_blocks.back().low, p.value),
                           std::max(m_blocks.back().high, p.value)};
    m_points.push_back(p);

    if (m_slots[m_slotIndex].count >= m_samplesPerSlot) {
        if (m_slotIndex + 1 > kSlotCount - 1)
            compress();
        else
            ++m_slotIndex;
    }
    Slot& s = m_slots[m_slotIndex];
    if (s.count == 0) {
        s.meanTime = p.time;
        s.minValue = p.value;
        s.maxValue = p.value;
    } else {
        s.meanTime = static_cast<float>((static_cast<double>(s.count) * s.meanTime + p.time) /
                                        (s.count + 1.0));
        s.minValue = std::min(s.minValue, p.value);
        s.maxValue = std::max(s.maxValue, p.value);
    }
    ++s.count;
    return true;
}

void CGraphStore::compress() {
    constexpr int kHalf = kSlotCount / 2;
    for (int k = 0; k < kHalf; ++k) {
        Slot merged = m_slots[2 * k];
        merge(merged, m_slots[2 * k + 1]);
        m_slots[k] = merged;
    }
    std::fill(m_slots.begin() + kHalf, m_slots.end(), Slot{});
    m_slotIndex = kHalf;
    m_samplesPerSlot = m_slots[0].count;
}

void CGraphStore::merge(Slot& a, const Slot& b) {
    if (b.count == 0)
        return;
    if (a.count == 0) {
        a = b;
        return;
    }
    double total = static_cast<double>(a.count) + b.count;
    a.meanTime = static_cast<float>(
        (static_cast<double>(b.meanTime) * b.count + static_cast<double>(a.count) * a.meanTime) /
        total);
    a.minValue = std::min(a.minValue, b.minValue);
    a.maxValue = std::max(a.maxValue, b.maxValue);
    a.count += b.count;
}

void CGraphStore::clear() {
    m_points.clear();
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    std::fill(m_slots.begin(), m_slots.end(), Slot{});
    m_slotIndex = 0;
    m_samplesPerSlot = 1;
    m_timesAscending = true;
}
