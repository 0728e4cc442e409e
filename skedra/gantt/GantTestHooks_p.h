#pragma once
// Test hooks of the Gantt chart: the fast paths beside their slow references.

#include <vector>

#include "skedra/gantt/qvGant.h"

namespace skedra
{

class TGantTestHooks
{
public:
    // The links a paint looks at (through the index of links by rows).
    static void LinksInView(TqvGant_ComBasic* aGant, std::vector<TqvDataEntity_Link*>& aLinks)
    {
        aGant->CollectLinksInView(aLinks);
    }
    // Off: every paint walks every link, the slow reference.
    static void SetLinkIndexEnabled(TqvGant_ComBasic* aGant, bool aOn) { aGant->FLinkIndexOff = !aOn; }
    static int LastGridHeaderHeight(const TqvGant_ComBasic* aGant) { return aGant->FLastGridHeaderHeight; }
};

} // namespace skedra
