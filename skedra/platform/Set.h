#pragma once
// Sets of an enumeration (up to 256 values), one bit per value.

#include <bitset>
#include <initializer_list>

namespace skedra
{

template <class E> class TSet
{
public:
    static constexpr int kCapacity = 256;

    TSet() = default;
    TSet(std::initializer_list<E> items)
    {
        for (E e : items)
            Include(e);
    }

    bool Contains(E e) const { return Valid(e) && FBits.test(Index(e)); }
    TSet& Include(E e)
    {
        if (Valid(e)) FBits.set(Index(e));
        return *this;
    }
    TSet& Exclude(E e)
    {
        if (Valid(e)) FBits.reset(Index(e));
        return *this;
    }
    bool Empty() const { return FBits.none(); }
    int Count() const { return static_cast<int>(FBits.count()); }
    void Clear() { FBits.reset(); }

    TSet operator+(const TSet& o) const { return TSet(FBits | o.FBits); }
    TSet operator-(const TSet& o) const { return TSet(FBits & ~o.FBits); }
    TSet operator*(const TSet& o) const { return TSet(FBits & o.FBits); }
    TSet& operator+=(const TSet& o)
    {
        FBits |= o.FBits;
        return *this;
    }
    TSet& operator-=(const TSet& o)
    {
        FBits &= ~o.FBits;
        return *this;
    }
    TSet& operator*=(const TSet& o)
    {
        FBits &= o.FBits;
        return *this;
    }
    TSet operator+(E e) const
    {
        TSet r(*this);
        r.Include(e);
        return r;
    }
    TSet operator-(E e) const
    {
        TSet r(*this);
        r.Exclude(e);
        return r;
    }
    TSet& operator+=(E e) { return Include(e); }
    TSet& operator-=(E e) { return Exclude(e); }
    bool operator==(const TSet& o) const { return FBits == o.FBits; }
    // True when every member of this set is in o.
    bool SubsetOf(const TSet& o) const { return (FBits & ~o.FBits).none(); }

private:
    explicit TSet(const std::bitset<kCapacity>& b) : FBits(b) {}
    static int Index(E e) { return static_cast<int>(e); }
    static bool Valid(E e) { return Index(e) >= 0 && Index(e) < kCapacity; }
    std::bitset<kCapacity> FBits;
};

} // namespace skedra
