#pragma once
// The Gantt chart's row tree: a data-bound tree whose nodes are the chart's
// rows. It adds a row after each node it inserts and removes the node's row
// before it deletes the node (not while the chart is being destroyed), and
// repaints the Gantt area when rows appear, disappear, expand or collapse.

#include "skedra/tree/qvTree.h"

namespace skedra
{

class TqvGant_ComBasic;

class TGantTree : public TqvTree_ComBasic
{
public:
    explicit TGantTree(QWidget* aParent = nullptr);

    TqvGant_ComBasic* GetGant() const { return Gant; }
    // The chart sets itself after creating the tree, and none before it dies.
    void SetGant(TqvGant_ComBasic* aGant) { Gant = aGant; }

protected:
    void _InsertItem(TqvDataEntity* theEntity) override;
    void _DeleteItem(TqvDataEntity* theEntity) override;
    void _OnVisibleChanged(TqvDataEntity* theEntity) override;
    void Expand(TTreeNode* aNode) override;
    void Collapse(TTreeNode* aNode) override;
    void WMVScroll() override;

private:
    // The chart, when it is alive and not being destroyed.
    TqvGant_ComBasic* LiveGant() const;

    TqvGant_ComBasic* Gant = nullptr;
};

} // namespace skedra
