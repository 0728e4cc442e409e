#include "skedra/gantt/SubColumnJob.h"

namespace skedra
{

void TSubColumnJob::Begin()
{
    Drop();
    FThread = new TTimeDistinctGenericThread();
    FThread->OnDone = MakeMethod<&TSubColumnJob::Done>(this);
}

void TSubColumnJob::Add(TDateTime aStart, TDateTime aStop, const QString& aKey, TObject* aReference)
{
    if (FThread == nullptr) return;
    FThread->Holders()->Add(RoundToSecond(aStart), RoundToSecond(aStop), aKey, aReference);
}

void TSubColumnJob::Start()
{
    if (FThread != nullptr && !FThread->GetStarted()) FThread->Start();
}

bool TSubColumnJob::FindSubCol(const TObject* aReference, int& aSubCol) const
{
    if (FThread == nullptr) return false;
    const TDistinctTimeHolder* holder = FThread->Holders()->FindFromReference(aReference);
    if (holder == nullptr) return false;
    aSubCol = holder->SubCol;
    return true;
}

void TSubColumnJob::Done(TObject* aSender)
{
    // Only the current computation's result counts.
    if (aSender == FThread) FOnDone(aSender);
}

} // namespace skedra
