#include "skedra/gantt/GantTree.h"

#include <QEvent>
#include <QScopedValueRollback>
#include <QWheelEvent>

#include <algorithm>

#include "skedra/foundation/DoLater.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

TGantTree::TGantTree(QWidget* aParent) : TqvTree_ComBasic(aParent)
{
    // The window has no vertical bar of its own: the external one stands in.
    SetScrollBarVert(false);
    // The rows' own wheel handling would scroll three rows a step.
    if (Viewport() != nullptr) Viewport()->installEventFilter(this);
}

TGantTree::~TGantTree()
{
    FGone = true;
    if (VertScrollExternal != nullptr) VertScrollExternal->OnScroll.Clear();
    VertScrollExternal = nullptr;
    TDoLater::NeverMind(MakeMethod<&TGantTree::UpdateExternalScroll>(this));
}

TqvGant_ComBasic* TGantTree::LiveGant() const
{
    return Gant != nullptr && !Gant->IsDestroying() && !IsTreeBeingDestroyed() ? Gant : nullptr;
}

// ===========================================================================
// The external scroll bar

void TGantTree::SetVertScrollExternal(TScrollBar* aBar)
{
    if (VertScrollExternal != nullptr) VertScrollExternal->OnScroll.Clear();
    VertScrollExternal = aBar;
    if (aBar != nullptr) aBar->OnScroll = MakeMethod<&TGantTree::OnExternalScroll>(this);
    ExternalScrollOutOfDate();
}

void TGantTree::ExternalScrollOutOfDate()
{
    if (FGone || IsTreeBeingDestroyed()) return;
    TDoLater::DoLater(MakeMethod<&TGantTree::UpdateExternalScroll>(this));
}

void TGantTree::UpdateExternalScroll(TObject*)
{
    if (IsTreeBeingDestroyed()) return;
    EnsureDisplayUpToDate();
    const TScrollInfo info = GetScrollInfo(true);
    if (!LastInfoKnown || info.Min != LastInfo.Min || info.Max != LastInfo.Max || info.Pos != LastInfo.Pos) {
        LastInfo = info;
        LastInfoKnown = true;
        if (TqvGant_ComBasic* gant = LiveGant()) {
            gant->HandleTreeAlign(this);
            gant->RefreshOthers(this);
        }
    }
    LastInfo.Page = info.Page;
    if (VertScrollExternal != nullptr && !ScrollingFromBar) {
        // Something to scroll: the rows do not all fit, or the view is not at the top.
        const bool enabled = info.Page > 0 && (info.Max - info.Min + 1 > info.Page || info.Pos != info.Min);
        VertScrollExternal->SetEnabled(enabled);
        if (enabled) {
            TScrollBar* bar = VertScrollExternal;
            bar->SetPageSize(std::min(info.Page, bar->GetMax() - bar->GetMin() + 1));
            bar->SetParams(info.Pos, info.Min, std::max(info.Max, info.Min));
            bar->SetPageSize(info.Page);
            bar->SetLargeChange(std::max(1, info.Page));
            bar->SetPosition(info.Pos);
        }
    }
    if (TqvGant_ComBasic* gant = LiveGant()) gant->RealignScrollbar();
}

void TGantTree::OnExternalScroll(TObject*, TScrollCode, int& ScrollPos)
{
    const QScopedValueRollback flag(ScrollingFromBar, true);
    EnsureDisplayUpToDate();
    if (ScrollPos == GetScrollInfo(true).Pos) return;
    if (TqvDataEntity_Tree* entity = GetDataEntityFromRow(ScrollPos)) SetTopItem(entity);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->InvalidateGA();
}

// ===========================================================================
// Scrolling by rows and the selection

void TGantTree::Scroll(int aDelta)
{
    TqvDataEntity_Tree* current = GetCurrentDataEntity();
    if (current == nullptr) {
        current = GetTopItem();
        if (current == nullptr) return;
        TCustomTreeView::SetSelected(current->GetNode());
    }
    TqvDataEntity_Tree* target = current;
    if (aDelta < 0)
        target = GetPrevVisible(current);
    else if (aDelta > 0)
        target = GetNextVisible(current);
    if (target == nullptr || target->GetNode() == nullptr) return;
    TCustomTreeView::SetSelected(target->GetNode());
    UpdateMultiSelect(target, TShiftState());
    EnsureRowVisible(target->GetNode());
    RefreshSelection();
}

void TGantTree::RefreshSelection()
{
    TqvGant_ComBasic* gant = LiveGant();
    if (gant == nullptr) return;
    TTreeNode* selected = GetSelected();
    if (selected == LastSelected) return;
    LastSelected = selected;
    if (gant->GetGantRow(GetDataEntityFromNode(selected)) == nullptr) LastSelected = nullptr;
    gant->ChangeInTree();
}

// ===========================================================================
// Notifications

void TGantTree::TreeNotify(TTreeNotifyCode aCode, TTreeNode* aNode)
{
    TqvTree_ComBasic::TreeNotify(aCode, aNode);
    if (LiveGant() == nullptr) return;
    // A paint of the rows: the scroll info may have changed.
    if (aCode == tncGetDispInfo) ExternalScrollOutOfDate();
    RefreshSelection();
}

void TGantTree::WMMouseWheel(TWMMouseWheel& Msg)
{
    Scroll(-Msg.WheelDelta);
    Msg.Handled = true;
}

bool TGantTree::eventFilter(QObject* aWatched, QEvent* anEvent)
{
    if (anEvent->type() == QEvent::Wheel && aWatched == Viewport()) {
        const auto* e = static_cast<QWheelEvent*>(anEvent);
        if (const int delta = e->angleDelta().y(); delta != 0) GuardedCall([&] { Scroll(-delta); });
        return true;
    }
    return TqvTree_ComBasic::eventFilter(aWatched, anEvent);
}

void TGantTree::BoundsChanged(bool aSizeChanged)
{
    TqvTree_ComBasic::BoundsChanged(aSizeChanged);
    if (aSizeChanged) ExternalScrollOutOfDate();
}

void TGantTree::_InsertItem(TqvDataEntity* theEntity)
{
    TqvTree_ComBasic::_InsertItem(theEntity);
    TqvGant_ComBasic* gant = LiveGant();
    auto* node = dynamic_cast<TqvDataEntity_Tree*>(theEntity);
    if (gant == nullptr || node == nullptr || gant->GetRowList() == nullptr) return;
    gant->GetRowList()->AddRow(node, nullptr);
    gant->InvalidateGA();
    ExternalScrollOutOfDate();
}

void TGantTree::_DeleteItem(TqvDataEntity* theEntity)
{
    if (TqvGant_ComBasic* gant = LiveGant()) {
        if (auto* node = dynamic_cast<TqvDataEntity_Tree*>(theEntity); node && gant->GetRowList()) {
            if (LastSelected != nullptr && LastSelected == node->GetNode()) LastSelected = nullptr;
            gant->GetRowList()->RemoveRow(node, nullptr);
            gant->InvalidateGA();
            ExternalScrollOutOfDate();
        }
    }
    TqvTree_ComBasic::_DeleteItem(theEntity);
}

void TGantTree::_OnInfoPush(TqvDataEntity* theEntity)
{
    TqvTree_ComBasic::_OnInfoPush(theEntity);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->OnChangeDataEntity_Tree(gant, theEntity);
}

void TGantTree::_OnVisibleChanged(TqvDataEntity* theEntity)
{
    TqvTree_ComBasic::_OnVisibleChanged(theEntity);
    if (TqvGant_ComBasic* gant = LiveGant()) {
        gant->InvalidateGA();
        ExternalScrollOutOfDate();
    }
}

void TGantTree::Expand(TTreeNode* aNode)
{
    TqvTree_ComBasic::Expand(aNode);
    if (TqvGant_ComBasic* gant = LiveGant()) {
        gant->RefreshOthers(this);
        ExternalScrollOutOfDate();
    }
}

void TGantTree::Collapse(TTreeNode* aNode)
{
    TqvTree_ComBasic::Collapse(aNode);
    if (TqvGant_ComBasic* gant = LiveGant()) {
        gant->RefreshOthers(this);
        ExternalScrollOutOfDate();
    }
}

void TGantTree::WMVScroll()
{
    TqvTree_ComBasic::WMVScroll();
    // The bands follow the tree's rows.
    if (TqvGant_ComBasic* gant = LiveGant()) {
        gant->InvalidateGA();
        ExternalScrollOutOfDate();
    }
}

} // namespace skedra
