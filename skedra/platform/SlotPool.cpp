#include "skedra/platform/SlotPool.h"

#include <array>
#include <new>

#include "skedra/platform/Exceptions.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace skedra
{

namespace
{

constexpr std::size_t kSlotAlign = 8;
// The block header takes the first cache line(s); slots follow.
constexpr std::size_t kHeaderSize = 64;

std::size_t RoundUp(std::size_t n, std::size_t aStep)
{
    return (n + aStep - 1) / aStep * aStep;
}

// A fresh block of BlockSize bytes aligned to BlockSize, so that the block of
// a slot is found by masking its address. aHuge asks for huge pages.
void* MapBlock(bool aHuge)
{
#if defined(__linux__)
    // Twice the size, then the unaligned head and tail are given back.
    const std::size_t span = 2 * TSlotPool::BlockSize;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = RoundUp(start, TSlotPool::BlockSize);
    if (aligned > start) munmap(raw, aligned - start);
    const std::uintptr_t end = start + span;
    const std::uintptr_t blockEnd = aligned + TSlotPool::BlockSize;
    if (end > blockEnd) munmap(reinterpret_cast<void*>(blockEnd), end - blockEnd);
#if defined(MADV_HUGEPAGE)
    if (aHuge) madvise(reinterpret_cast<void*>(aligned), TSlotPool::BlockSize, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
#else
    (void)aHuge;
    return ::operator new(TSlotPool::BlockSize, std::align_val_t(TSlotPool::BlockSize));
#endif
}

void UnmapBlock(void* aBlock)
{
#if defined(__linux__)
    munmap(aBlock, TSlotPool::BlockSize);
#else
    ::operator delete(aBlock, std::align_val_t(TSlotPool::BlockSize));
#endif
}

} // namespace

struct TSlotPool::TBlock {
    TBlock* PrevRoomy = nullptr;
    TBlock* NextRoomy = nullptr;
    TBlock* NextAll = nullptr;
    TBlock* PrevAll = nullptr;
    // Freed slots of this block, each holding the next one's address.
    void* FreeList = nullptr;
    std::size_t Live = 0;
    // Slots handed out in order so far; the rest were never touched.
    std::size_t Used = 0;
    bool InRoomy = false;
};
static_assert(sizeof(void*) <= kSlotAlign);

TSlotPool::TSlotPool(std::size_t aSlotSize)
    : FSlotSize(RoundUp(aSlotSize == 0 ? 1 : aSlotSize, kSlotAlign)),
      FSlotsPerBlock((BlockSize - kHeaderSize) / FSlotSize)
{
    static_assert(sizeof(TBlock) <= kHeaderSize);
    if (FSlotsPerBlock == 0) throw Exception(QStringLiteral("The slot does not fit a pool block"));
}

TSlotPool::~TSlotPool()
{
    while (FAll != nullptr) {
        TBlock* block = FAll;
        FAll = block->NextAll;
        block->~TBlock();
        UnmapBlock(block);
    }
}

unsigned char* TSlotPool::SlotBase(TBlock* aBlock) const
{
    return reinterpret_cast<unsigned char*>(aBlock) + kHeaderSize;
}

TSlotPool::TBlock* TSlotPool::NewBlock()
{
    // A pool's first block keeps small pages: a small model then holds only
    // the pages it touched. Any later block belongs to a large model.
    auto* block = new (MapBlock(FBlocks > 0)) TBlock();
    block->NextAll = FAll;
    if (FAll != nullptr) FAll->PrevAll = block;
    FAll = block;
    ++FBlocks;
    return block;
}

void TSlotPool::ReleaseBlock(TBlock* aBlock)
{
    if (aBlock->InRoomy) UnlinkRoomy(aBlock);
    if (aBlock->PrevAll != nullptr)
        aBlock->PrevAll->NextAll = aBlock->NextAll;
    else
        FAll = aBlock->NextAll;
    if (aBlock->NextAll != nullptr) aBlock->NextAll->PrevAll = aBlock->PrevAll;
    --FBlocks;
    aBlock->~TBlock();
    UnmapBlock(aBlock);
}

void TSlotPool::LinkRoomy(TBlock* aBlock)
{
    aBlock->PrevRoomy = nullptr;
    aBlock->NextRoomy = FRoomy;
    if (FRoomy != nullptr) FRoomy->PrevRoomy = aBlock;
    FRoomy = aBlock;
    aBlock->InRoomy = true;
}

void TSlotPool::UnlinkRoomy(TBlock* aBlock)
{
    if (aBlock->PrevRoomy != nullptr)
        aBlock->PrevRoomy->NextRoomy = aBlock->NextRoomy;
    else
        FRoomy = aBlock->NextRoomy;
    if (aBlock->NextRoomy != nullptr) aBlock->NextRoomy->PrevRoomy = aBlock->PrevRoomy;
    aBlock->PrevRoomy = aBlock->NextRoomy = nullptr;
    aBlock->InRoomy = false;
}

void* TSlotPool::Allocate()
{
    const std::lock_guard lock(FLock);
    TBlock* block = FRoomy;
    if (block == nullptr) {
        block = NewBlock();
        LinkRoomy(block);
    }
    void* slot;
    if (block->FreeList != nullptr) {
        slot = block->FreeList;
        block->FreeList = *static_cast<void**>(slot);
    } else {
        slot = SlotBase(block) + block->Used * FSlotSize;
        ++block->Used;
    }
    ++block->Live;
    ++FLive;
    if (block->Live == FSlotsPerBlock) UnlinkRoomy(block);
    return slot;
}

void TSlotPool::Free(void* aSlot)
{
    if (aSlot == nullptr) return;
    const std::lock_guard lock(FLock);
    auto* block = reinterpret_cast<TBlock*>(reinterpret_cast<std::uintptr_t>(aSlot) & ~(BlockSize - 1));
    *static_cast<void**>(aSlot) = block->FreeList;
    block->FreeList = aSlot;
    --block->Live;
    --FLive;
    if (block->Live == 0 && FBlocks > 1) {
        ReleaseBlock(block);
        return;
    }
    if (!block->InRoomy) LinkRoomy(block);
}

std::size_t TSlotPool::LiveCount() const
{
    const std::lock_guard lock(FLock);
    return FLive;
}

std::size_t TSlotPool::BlockCount() const
{
    const std::lock_guard lock(FLock);
    return FBlocks;
}

void TSlotPool::CheckInvariants() const
{
    const std::lock_guard lock(FLock);
    auto fail = [](const char* why) { throw Exception(QString::fromLatin1(why)); };
    std::size_t blocks = 0, live = 0, roomy = 0;
    for (TBlock* b = FAll; b != nullptr; b = b->NextAll) {
        ++blocks;
        live += b->Live;
        std::size_t free = 0;
        for (void* s = b->FreeList; s != nullptr; s = *static_cast<void**>(s)) {
            if (++free > FSlotsPerBlock) fail("A block's free list runs in a circle");
            const auto* p = static_cast<unsigned char*>(s);
            if (p < SlotBase(b) || p >= SlotBase(b) + b->Used * FSlotSize ||
                (p - SlotBase(b)) % FSlotSize != 0)
                fail("A free slot lies outside its block's used slots");
        }
        if (b->Used > FSlotsPerBlock || b->Live + free != b->Used)
            fail("A block's live and free slots do not add up to its used ones");
        if (b->InRoomy != (b->Live < FSlotsPerBlock)) fail("A block with room is not listed as such");
        if (b->NextAll != nullptr && b->NextAll->PrevAll != b) fail("The list of blocks is broken");
    }
    for (TBlock* b = FRoomy; b != nullptr; b = b->NextRoomy) {
        if (!b->InRoomy || ++roomy > blocks) fail("The list of blocks with room is broken");
        if (b->NextRoomy != nullptr && b->NextRoomy->PrevRoomy != b)
            fail("The list of blocks with room is broken");
    }
    if (blocks != FBlocks || live != FLive) fail("The pool's counters disagree with its blocks");
}

// ---------------------------------------------------------------- TSlotPools

TSlotPool& TSlotPools::PoolFor(std::size_t aSize)
{
    constexpr std::size_t count = MaxSize / kSlotAlign;
    // Never destroyed: objects may still be freed while the program ends.
    static auto* const pools = [] {
        auto* all = new std::array<TSlotPool*, count>();
        for (std::size_t i = 0; i < count; ++i)
            (*all)[i] = new TSlotPool((i + 1) * kSlotAlign);
        return all;
    }();
    const std::size_t index = aSize == 0 ? 0 : (aSize - 1) / kSlotAlign;
    return *(*pools)[index < count ? index : count - 1];
}

void* TSlotPools::Allocate(std::size_t aSize)
{
    if (!Enabled || aSize > MaxSize) return ::operator new(aSize);
    return PoolFor(aSize).Allocate();
}

void TSlotPools::Free(void* aPointer, std::size_t aSize)
{
    if (aPointer == nullptr) return;
    if (!Enabled || aSize > MaxSize) {
        ::operator delete(aPointer);
        return;
    }
    PoolFor(aSize).Free(aPointer);
}

} // namespace skedra
