#include "monitor/CGraphStore.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {
// Sample i: time i seconds, a value that swings so that merged extremes differ from both ends.
double ValueOf(int i) {
    return (i % 3 == 0) ? -i : i * 0.5;
}

void Fill(CGraphStore& store, int from, int to) {
    for (int i = from; i < to; ++i)
        store.addSample(i, ValueOf(i));
}
} // namespace

TEST(GraphStore, FillsOneSlotPerSampleUntilTheEnvelopeIsFull) {
    CGraphStore store;
    Fill(store, 0, CGraphStore::kSlotCount);
    EXPECT_EQ(CGraphStore::kSlotCount - 1, store.slotIndex());
    EXPECT_EQ(1, store.samplesPerSlot());
    const CGraphStore::Slot& last = store.slots()[9999];
    EXPECT_EQ(1, last.count);
    EXPECT_FLOAT_EQ(9999, last.meanTime);
    EXPECT_FLOAT_EQ(-9999, last.minValue);
    EXPECT_FLOAT_EQ(-9999, last.maxValue);
}

TEST(GraphStore, TheTenThousandFirstSlotAdvanceCompressesPairwise) {
    CGraphStore store;
    Fill(store, 0, CGraphStore::kSlotCount + 1);
    EXPECT_EQ(5000, store.slotIndex());
    EXPECT_EQ(2, store.samplesPerSlot());
    EXPECT_EQ(10001u, store.points().size());
    for (int k : {0, 1, 2, 1234, 4999}) {
        const CGraphStore::Slot& s = store.slots()[k];
        EXPECT_EQ(2, s.count) << k;
        EXPECT_FLOAT_EQ(2 * k + 0.5f, s.meanTime) << k;
        EXPECT_FLOAT_EQ(std::min(ValueOf(2 * k), ValueOf(2 * k + 1)), s.minValue) << k;
        EXPECT_FLOAT_EQ(std::max(ValueOf(2 * k), ValueOf(2 * k + 1)), s.maxValue) << k;
    }
    // The sample that caused the compression opens slot 5000; the rest is empty.
    EXPECT_EQ(1, store.slots()[5000].count);
    EXPECT_FLOAT_EQ(10000, store.slots()[5000].meanTime);
    for (int k : {5001, 7500, 9999})
        EXPECT_EQ(0, store.slots()[k].count) << k;

    // Slot 5000 now takes a second sample before 5001 is used.
    store.addSample(10001, 9000);
    EXPECT_EQ(5000, store.slotIndex());
    EXPECT_EQ(2, store.slots()[5000].count);
    EXPECT_FLOAT_EQ(10000.5f, store.slots()[5000].meanTime);
    EXPECT_FLOAT_EQ(ValueOf(10000), store.slots()[5000].minValue);
    EXPECT_FLOAT_EQ(9000, store.slots()[5000].maxValue);
    store.addSample(10002, 8);
    EXPECT_EQ(5001, store.slotIndex());
}

TEST(GraphStore, EveryCompressionDoublesTheSamplesPerSlot) {
    CGraphStore store;
    // 10000 full slots of 2, then one more sample.
    Fill(store, 0, 20001);
    EXPECT_EQ(4, store.samplesPerSlot());
    EXPECT_EQ(5000, store.slotIndex());
    EXPECT_EQ(4, store.slots()[0].count);
    EXPECT_FLOAT_EQ(1.5f, store.slots()[0].meanTime);
    int total = 0;
    for (const CGraphStore::Slot& s : store.slots())
        total += s.count;
    EXPECT_EQ(20001, total) << "no sample is dropped from the envelope";
}

TEST(GraphStore, MergeWeightsMeanTimesByCount) {
    CGraphStore::Slot a{3, 1.0f, -1.0f, 2.0f};
    CGraphStore::Slot b{1, 5.0f, -3.0f, 0.0f};
    CGraphStore::merge(a, b);
    EXPECT_EQ(4, a.count);
    EXPECT_FLOAT_EQ(2.0f, a.meanTime);
    EXPECT_FLOAT_EQ(-3.0f, a.minValue);
    EXPECT_FLOAT_EQ(2.0f, a.maxValue);

    CGraphStore::Slot empty;
    CGraphStore::merge(empty, b);
    EXPECT_EQ(1, empty.count);
    EXPECT_FLOAT_EQ(5.0f, empty.meanTime);
}

TEST(GraphStore, ClearEmptiesEverything) {
    CGraphStore store;
    Fill(store, 0, 25000);
    store.addSample(-1, 0);
    EXPECT_FALSE(store.timesAscending());
    store.clear();
    EXPECT_TRUE(store.points().empty());
    EXPECT_EQ(0, store.slotIndex());
    EXPECT_EQ(1, store.samplesPerSlot());
    EXPECT_TRUE(store.timesAscending());
    for (const CGraphStore::Slot& s : store.slots())
        ASSERT_EQ(0, s.count);
    store.addSample(3, 4);
    EXPECT_EQ(0, store.slotIndex());
    EXPECT_FLOAT_EQ(4, store.slots()[0].minValue);
}

TEST(GraphStore, NanIsDroppedAndHugeValuesHeldAtTheFloatLimit) {
    CGraphStore store;
    EXPECT_FALSE(store.addSample(std::nan(""), 1));
    EXPECT_FALSE(store.addSample(1, std::nan("")));
    EXPECT_TRUE(store.points().empty());
    EXPECT_TRUE(store.addSample(1, 1e300));
    EXPECT_TRUE(store.addSample(2, -HUGE_VAL));
    EXPECT_EQ(FLT_MAX, store.points()[0].value);
    EXPECT_EQ(-FLT_MAX, store.points()[1].value);
}
