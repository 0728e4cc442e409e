#include "skedra/gantt/GantTree.h"

#include "skedra/gantt/qvGant.h"

namespace skedra
{

TGantTree::TGantTree(QWidget* aParent) : TqvTree_ComBasic(aParent) {}

TqvGant_ComBasic* TGantTree::LiveGant() const
{
    return Gant != nullptr && !Gant->IsDestroying() && !IsTreeBeingDestroyed() ? Gant : nullptr;
}

void TGantTree::_InsertItem(TqvDataEntity* theEntity)
{
    TqvTree_ComBasic::_InsertItem(theEntity);
    TqvGant_ComBasic* gant = LiveGant();
    auto* node = dynamic_cast<TqvDataEntity_Tree*>(theEntity);
    if (gant == nullptr || node == nullptr || gant->GetRowList() == nullptr) return;
    gant->GetRowList()->AddRow(node, nullptr);
    gant->InvalidateGA();
}

void TGantTree::_DeleteItem(TqvDataEntity* theEntity)
{
    if (TqvGant_ComBasic* gant = LiveGant()) {
        if (auto* node = dynamic_cast<TqvDataEntity_Tree*>(theEntity); node && gant->GetRowList()) {
            gant->GetRowList()->RemoveRow(node, nullptr);
            gant->InvalidateGA();
        }
    }
    TqvTree_ComBasic::_DeleteItem(theEntity);
}

void TGantTree::_OnVisibleChanged(TqvDataEntity* theEntity)
{
    TqvTree_ComBasic::_OnVisibleChanged(theEntity);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->InvalidateGA();
}

void TGantTree::Expand(TTreeNode* aNode)
{
    TqvTree_ComBasic::Expand(aNode);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->InvalidateGA();
}

void TGantTree::Collapse(TTreeNode* aNode)
{
    TqvTree_ComBasic::Collapse(aNode);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->InvalidateGA();
}

void TGantTree::WMVScroll()
{
    TqvTree_ComBasic::WMVScroll();
    // The bands follow the tree's rows.
    if (TqvGant_ComBasic* gant = LiveGant()) gant->InvalidateGA();
}

} // namespace skedra
