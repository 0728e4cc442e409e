#pragma once
// Fixed-size slots carved out of large aligned blocks, for objects that a
// component creates by the hundred thousand (data entities, lists, rows, tree
// nodes). One general allocation per object costs a header, a search through
// the allocator's bins and, for a large model, a page fault every few dozen
// objects; a pool block costs one mapping, handed out in order, and on Linux
// every block after the first is backed by huge pages (one fault per block).
//
// A block that becomes empty is given back to the system, except the pool's
// last one. A pool must outlive every slot it handed out: the shared pools
// (TSlotPools) are never destroyed.
//
// Builds with AddressSanitizer do not route objects through the shared pools
// (TSlotPools::Enabled is false there): a reused slot would hide a use after
// free from the sanitizer.

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace skedra
{

class TSlotPool
{
public:
    // Size and alignment of a block: one huge page.
    static constexpr std::size_t BlockSize = std::size_t(2) << 20;

    // Slots of aSlotSize bytes, rounded up to a multiple of 8 (at least 8).
    explicit TSlotPool(std::size_t aSlotSize);
    // Gives every block back; slots still handed out become invalid.
    ~TSlotPool();
    TSlotPool(const TSlotPool&) = delete;
    TSlotPool& operator=(const TSlotPool&) = delete;

    // A slot (std::bad_alloc when the system has no memory).
    void* Allocate();
    // Takes back a slot handed out by this pool; none is ignored.
    void Free(void* aSlot);

    std::size_t SlotSize() const { return FSlotSize; }
    std::size_t SlotsPerBlock() const { return FSlotsPerBlock; }
    // Slots handed out and not freed.
    std::size_t LiveCount() const;
    std::size_t BlockCount() const;

    // Throws when the blocks and their counters disagree: every block's live
    // count plus its free slots plus its untouched slots is its capacity, the
    // blocks with free room are exactly those in the list of such blocks, and
    // the live counts add up to LiveCount.
    void CheckInvariants() const;

private:
    struct TBlock;

    TBlock* NewBlock();
    void ReleaseBlock(TBlock* aBlock);
    void LinkRoomy(TBlock* aBlock);
    void UnlinkRoomy(TBlock* aBlock);
    unsigned char* SlotBase(TBlock* aBlock) const;

    mutable std::mutex FLock;
    std::size_t FSlotSize;
    std::size_t FSlotsPerBlock;
    // Blocks with at least one slot free or untouched, most recently freed into first.
    TBlock* FRoomy = nullptr;
    // Every block, for the destructor and the invariants.
    TBlock* FAll = nullptr;
    std::size_t FBlocks = 0;
    std::size_t FLive = 0;
};

// The shared pools by object size, in steps of 8 bytes up to MaxSize; larger
// objects (and every object when the pools are disabled) use the global heap.
// For class-level operator new and delete:
//   static void* operator new(std::size_t n) { return TSlotPools::Allocate(n); }
//   static void operator delete(void* p, std::size_t n) { TSlotPools::Free(p, n); }
// The sized delete receives the size of the object's own class, so every
// class derived from one that declares these gets the pool of its own size.
class TSlotPools
{
public:
    static constexpr std::size_t MaxSize = 256;
#if defined(__SANITIZE_ADDRESS__)
    static constexpr bool Enabled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    static constexpr bool Enabled = false;
#else
    static constexpr bool Enabled = true;
#endif
#else
    static constexpr bool Enabled = true;
#endif

    static void* Allocate(std::size_t aSize);
    static void Free(void* aPointer, std::size_t aSize);
    // The shared pool for objects of aSize bytes (1..MaxSize), for tests and figures.
    static TSlotPool& PoolFor(std::size_t aSize);
};

} // namespace skedra
