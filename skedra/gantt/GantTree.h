#pragma once
// The Gantt chart's row tree: a data-bound tree whose nodes are the chart's
// rows. It adds a row after each node it inserts and removes the node's row
// before it deletes the node (not while the chart is being destroyed), and
// repaints the Gantt area when rows appear, disappear, expand or collapse.
//
// The tree has no vertical scroll bar of its own: an external bar (the
// chart's, at the far right) mirrors its scrolling. The tree's scroll info is
// read after it changed, in a deferred call, and copied to the bar; moving
// the bar puts the row at its position on top.

#include "skedra/platform/StdCtrls.h"
#include "skedra/tree/qvTree.h"

namespace skedra
{

class TqvGant_ComBasic;

class TGantTree : public TqvTree_ComBasic
{
public:
    explicit TGantTree(QWidget* aParent = nullptr);
    ~TGantTree() override;

    TqvGant_ComBasic* GetGant() const { return Gant; }
    // The chart sets itself after creating the tree, and none before it dies.
    void SetGant(TqvGant_ComBasic* aGant) { Gant = aGant; }

    TScrollBar* GetVertScrollExternal() const { return VertScrollExternal; }
    // Unhooks the old bar's scroll event and hooks the new bar's.
    void SetVertScrollExternal(TScrollBar* aBar);
    // Requests UpdateExternalScroll as a deferred call.
    void ExternalScrollOutOfDate();
    // Copies the tree's vertical scroll info to the external bar; when it
    // changed, the chart re-aligns and refreshes the others.
    void UpdateExternalScroll(TObject* Sender = nullptr);
    // The external bar moved: the row at its position goes on top.
    void OnExternalScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
    // Moves the current entity one visible row up (delta < 0) or down
    // (delta > 0), selecting it; the top item becomes current first when
    // there is none.
    void Scroll(int aDelta);
    // When the selected node changed since the last time: remember it and
    // tell the chart (ChangeInTree).
    void RefreshSelection();
    TTreeNode* GetLastSelected() const { return LastSelected; }

protected:
    void _InsertItem(TqvDataEntity* theEntity) override;
    void _DeleteItem(TqvDataEntity* theEntity) override;
    void _OnInfoPush(TqvDataEntity* theEntity) override;
    void _OnVisibleChanged(TqvDataEntity* theEntity) override;
    void Expand(TTreeNode* aNode) override;
    void Collapse(TTreeNode* aNode) override;
    void WMVScroll() override;
    void TreeNotify(TTreeNotifyCode aCode, TTreeNode* aNode) override;
    void WMMouseWheel(TWMMouseWheel& Msg) override;
    void BoundsChanged(bool aSizeChanged) override;
    bool eventFilter(QObject* aWatched, QEvent* anEvent) override;

private:
    // The chart, when it is alive and not being destroyed.
    TqvGant_ComBasic* LiveGant() const;

    TqvGant_ComBasic* Gant = nullptr;
    TScrollBar* VertScrollExternal = nullptr;
    TScrollInfo LastInfo{-1, -1, -1, -1};
    bool LastInfoKnown = false;
    TTreeNode* LastSelected = nullptr;
    // Set while the external bar scrolls the tree.
    bool ScrollingFromBar = false;
    // Set first thing in the destructor: nothing is queued any more.
    bool FGone = false;
};

} // namespace skedra
