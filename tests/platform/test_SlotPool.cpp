#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "skedra/platform/SlotPool.h"

using namespace skedra;

namespace
{

// Each live slot carries a pattern of its own; a slot handed out twice or
// overwritten by the pool's bookkeeping shows up as a broken pattern.
void Stamp(void* aSlot, std::size_t aSize, unsigned char aSeed)
{
    std::memset(aSlot, aSeed, aSize);
}

bool Intact(const void* aSlot, std::size_t aSize, unsigned char aSeed)
{
    const auto* p = static_cast<const unsigned char*>(aSlot);
    for (std::size_t i = 0; i < aSize; ++i)
        if (p[i] != aSeed) return false;
    return true;
}

struct TLive {
    void* Slot;
    unsigned char Seed;
};

} // namespace

TEST(SlotPool, SlotSizesAreRoundedToEightBytes)
{
    EXPECT_EQ(TSlotPool(1).SlotSize(), 8u);
    EXPECT_EQ(TSlotPool(88).SlotSize(), 88u);
    EXPECT_EQ(TSlotPool(89).SlotSize(), 96u);
    EXPECT_EQ(&TSlotPools::PoolFor(81), &TSlotPools::PoolFor(88));
    EXPECT_NE(&TSlotPools::PoolFor(88), &TSlotPools::PoolFor(89));
}

// Random allocations and frees over several blocks: slots never overlap, keep
// their contents, are aligned, and the counters follow.
TEST(SlotPool, RandomUseKeepsSlotsApartAndCountersRight)
{
    TSlotPool pool(200);
    const std::size_t size = pool.SlotSize();
    std::mt19937 rng(3);
    std::vector<TLive> live;
    const std::size_t target = pool.SlotsPerBlock() * 5 / 2;
    for (int step = 0; step < 60000; ++step) {
        const bool grow = live.size() < target ? rng() % 4 != 0 : rng() % 4 == 0;
        if (grow || live.empty()) {
            void* slot = pool.Allocate();
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(slot) % 8, 0u);
            const auto seed = static_cast<unsigned char>(rng());
            Stamp(slot, size, seed);
            live.push_back({slot, seed});
        } else {
            const std::size_t k = rng() % live.size();
            ASSERT_TRUE(Intact(live[k].Slot, size, live[k].Seed)) << "step " << step;
            pool.Free(live[k].Slot);
            live[k] = live.back();
            live.pop_back();
        }
        if (step % 5000 == 0) {
            ASSERT_NO_THROW(pool.CheckInvariants()) << "step " << step;
        }
    }
    EXPECT_EQ(pool.LiveCount(), live.size());
    EXPECT_GE(pool.BlockCount(), 3u);
    for (const TLive& l : live)
        ASSERT_TRUE(Intact(l.Slot, size, l.Seed));
    ASSERT_NO_THROW(pool.CheckInvariants());
    // Emptied blocks go back to the system, all but the last one.
    for (const TLive& l : live)
        pool.Free(l.Slot);
    EXPECT_EQ(pool.LiveCount(), 0u);
    EXPECT_EQ(pool.BlockCount(), 1u);
    ASSERT_NO_THROW(pool.CheckInvariants());
}

// A full block gets room again when one of its slots is freed, and that
// slot is the next one handed out.
TEST(SlotPool, FreedSlotOfFullBlockIsReused)
{
    TSlotPool pool(TSlotPool::BlockSize / 4);
    ASSERT_EQ(pool.SlotsPerBlock(), 3u);
    std::vector<void*> taken;
    for (int i = 0; i < 6; ++i)
        taken.push_back(pool.Allocate());
    EXPECT_EQ(pool.BlockCount(), 2u);
    ASSERT_NO_THROW(pool.CheckInvariants());
    pool.Free(taken[1]);
    ASSERT_NO_THROW(pool.CheckInvariants());
    EXPECT_EQ(pool.Allocate(), taken[1]);
    EXPECT_EQ(pool.BlockCount(), 2u);
    pool.Free(nullptr);
    for (void* s : taken)
        pool.Free(s);
    EXPECT_EQ(pool.BlockCount(), 1u);
    ASSERT_NO_THROW(pool.CheckInvariants());
}

// Objects larger than the pools (or any object in a sanitizer build) take
// the global heap and come back there.
TEST(SlotPool, SharedPoolsServeSmallObjectsOnly)
{
    TSlotPool& pool = TSlotPools::PoolFor(48);
    const std::size_t before = pool.LiveCount();
    void* small = TSlotPools::Allocate(48);
    EXPECT_EQ(pool.LiveCount(), before + (TSlotPools::Enabled ? 1 : 0));
    void* large = TSlotPools::Allocate(TSlotPools::MaxSize + 1);
    std::memset(large, 0, TSlotPools::MaxSize + 1);
    TSlotPools::Free(large, TSlotPools::MaxSize + 1);
    TSlotPools::Free(small, 48);
    EXPECT_EQ(pool.LiveCount(), before);
}
