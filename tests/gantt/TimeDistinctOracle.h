#pragma once
// The sub-column placement as it is defined: every pair compared in a reverse
// scan, every placement a first fit over the columns built so far. Quadratic;
// the tests and the benchmark compare the engine against it.
#include <vector>

#include "skedra/gantt/TimeDistinct.h"

namespace skedra::test
{

inline bool OracleInConflict(const TDistinctTimeHolder* a, const TDistinctTimeHolder* b)
{
    if (a->Key != b->Key || a == b) return false;
    if (b->Start <= a->Start && a->Start < b->Stop) return true;
    if (b->Start < a->Stop && a->Stop < b->Stop) return true;
    if (a->Start <= b->Start && b->Start < a->Stop) return true;
    if (a->Start < b->Stop && b->Stop < a->Stop) return true;
    return false;
}

class TOraclePlacement
{
public:
    std::vector<std::vector<TDistinctTimeHolder*>> Columns;

    void MoveToConflictFreePosition(TDistinctTimeHolder* h)
    {
        for (size_t c = 0; c < Columns.size(); ++c) {
            bool conflict = false;
            for (TDistinctTimeHolder* other : Columns[c])
                if (OracleInConflict(h, other)) conflict = true;
            if (!conflict) {
                h->SubCol = static_cast<int>(c) + 1;
                Columns[c].push_back(h);
                return;
            }
        }
        Columns.push_back({h});
        h->SubCol = static_cast<int>(Columns.size());
    }

    bool ConflictLoop(const std::vector<TDistinctTimeHolder*>& holders, bool resolve)
    {
        const int n = static_cast<int>(holders.size());
        for (int i = n - 1; i >= 0; --i) {
            TDistinctTimeHolder* a = holders[static_cast<size_t>(i)];
            for (int j = n - 1; j >= 0; --j) {
                TDistinctTimeHolder* b = holders[static_cast<size_t>(j)];
                if (j == i || !OracleInConflict(a, b)) continue;
                if (!resolve) return true;
                if (a->SubCol == 0) MoveToConflictFreePosition(a);
                if (b->SubCol == 0) MoveToConflictFreePosition(b);
            }
        }
        return false;
    }
};

} // namespace skedra::test
