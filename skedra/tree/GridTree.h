#pragma once
// The grid tree: a hierarchy of nodes held in data lists, with one row of a
// grid cell's row axis per node, in depth-first order after the fixed rows.
// Collapsed and hidden nodes keep their rows, marked hidden. Children are
// created lazily on first expansion, and the grid's virtual loading of rows is
// mirrored in the lists' loaded and unloaded ranges.

#include "skedra/data/DataList.h"
#include "skedra/data/DataListGroups.h"
#include "skedra/gridengine/GridContentModel.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace skedra
{

class TqvGridTree;
class TqvDataEntity_GridTreeNode;
class TqvDataList_GridTree;

enum TIntegrationEventKind {
    ieInsert,
    ieRemove,
    ieSelectionChanged,
    ieVisibleChanged,
    ieMovePerfomed,
    ieUnload,
    ieLoad,
    ieInvalidate
};

using TOnIntegrationEvent =
    TMethod<void(TIntegrationEventKind aIntegrationEventKind, TqvDataEntity* aDataEntity)>;
using TOnContentChangeEvent = TMethod<void(TqvGridTree* aGridTree, TqvDataEntity_GridTreeNode* aDataEntity)>;
using TOnExpandCollapseEvent =
    TMethod<void(TqvGridTree* aGridTree, TqvDataEntity_GridTreeNode* aDataEntity, bool& allow)>;
using TOnTreeControllerCallBackInitSubList =
    TMethod<void(TqvGridTree* aGridTree, TqvDataEntity_GridTreeNode* aDataEntity_GridTreeNode)>;

class TqvDataEntity_GridTreeNode : public TqvDataEntity, public TAxisItemReferrer
{
public:
    TObject* IntegrationData = nullptr; // kept for the integration target
    TqvDataList_GridTree* SubDataList = nullptr;
    int32_t ImageIndex = 0;
    int32_t SelectedIndex = 0;
    bool Expanded = false;
    bool SubListInitialised = false;
    TAxisContentItem* Row = nullptr; // none while the row is unloaded
    bool Hidden = false;
    bool HideNode = false;
    // The node has a row, loaded (Row) or unloaded (counted by the row axis).
    bool RowPlaced = false;
    // The node was created by its list's virtual loading; only such nodes are
    // unloaded again (nothing the application added is ever dropped).
    bool LoadedByList = false;
    // Set when the list unloads the node: its unloaded row stays.
    bool UnloadingKeepsRow = false;

    void CleanForFree() override;
    void AfterCreate(TqvDataList* theList) override;

    TqvDataList_GridTree* GetSubDataList();
    int GetSubDataListCount() const;
    TqvDataEntity_GridTreeNode* ParentNode() const;
    int GetLevel() const;
    TqvGridTree* GetGridTree() const;
    TqvDataList_GridTree* GetGridTreeList() const;

    TqvDataEntity_GridTreeNode* GetNext();
    TqvDataEntity_GridTreeNode* GetPrev();
    TqvDataEntity_GridTreeNode* GetNextVisible();
    TqvDataEntity_GridTreeNode* GetPrevVisible();
    bool IsVisible() const;

    void SetExpanded(bool theValue);
    void SetImageIndex(int32_t theValue);
    void SetSelectedIndex(int32_t theValue);
    void Set_HideNode(bool theValue);
    void SetHidden(bool theValue);

    void InitGridRow();
    void UpdateVisibility();

    // The root ancestor (the node itself for a root node).
    TqvDataEntity_GridTreeNode* RootNode();

protected:
    void AxisContentItemFreed(TAxisContentItem* theItem) override;
    ~TqvDataEntity_GridTreeNode() override = default;
};

class TqvDataList_GridTree : public TqvDataList
{
public:
    TqvDataEntity_GridTreeNode* OwnerEntity = nullptr; // none for the root list
    TqvGridTree* GridTree = nullptr;

    void AddUnloaded(int aCount) override;
    // Sorts in the order of the comparison, never reversed: the grid's rows
    // mirror the lists' order.
    void Sort(bool aReverse = false) override;

protected:
    ~TqvDataList_GridTree() override = default;
};

class TqvGridTree : public TObject
{
public:
    TOnIntegrationEvent IntegrationEvents;
    TOnContentChangeEvent OnInsertNode;
    TOnContentChangeEvent OnDeleteNode;
    int32_t ReloadDepth = 0;
    int32_t UnloadDepth = 0;
    TOnExpandCollapseEvent OnExpand;
    TOnExpandCollapseEvent OnCollapse;
    TMoxGridCell* GridCell = nullptr; // set by the owner after creation
    TOnTreeControllerCallBackInitSubList OnInitSubDataList;

    explicit TqvGridTree(TOnTreeControllerCallBackInitSubList theOnInitSubDataList = nullptr);
    ~TqvGridTree() override;

    // The lists and the controller are built through the virtual factories at
    // their first use, after construction, so a derived class's overrides apply.
    TqvDataList_GridTree* GetRootDataList();
    TqvDataList2lev* GetDataLists();
    TqvListController* GetController();

    TqvDataEntity_GridTreeNode* AddDataEntity(TqvDataEntity_GridTreeNode* theParent);
    TqvDataEntity_GridTreeNode* InsertDataEntity(TqvDataEntity_GridTreeNode* theParent, int theIndex);
    void RemoveDataEntity(TqvDataEntity_GridTreeNode* theNode);
    void ExpandAll();
    void CollapseAll();
    void IntegrationTargetInvalidate();
    void DeInitSubList(TqvDataEntity_GridTreeNode* theNode);

    // Grid callbacks, forwarded by the grid for the grid cell this tree serves.
    void _OnGridRowReload(TAxisContentItem* theItem);
    // The row went unloaded and is about to be freed.
    void _OnGridRowUnloaded(TAxisContentItem* theItem);
    void _OnKeepGridRowAfterUnload(TAxisContentItem* theItem, bool& theKeep);
    void _OnUnloadIntervall(TAxisContentItem* theItem, int& theStart, int& theStop);
    // Deletes the nodes of the unloaded rows theFrom..theTo; the bounds come
    // back narrowed to the rows the axis must still take off its counts.
    void _OnDeleteOfUnloaded(TAxisContentList* theList, int& theFrom, int& theTo);

    // What must hold between operations: every node has exactly one row
    // (loaded or counted unloaded), rows and nodes point at each other, the
    // loaded rows follow the nodes in depth-first order, and the row count is
    // the fixed rows plus the nodes plus the unloaded roots.
    bool CheckInvariants(QString* theWhy = nullptr);

    // Sends an integration event when a target is attached.
    void Integrate(TIntegrationEventKind aKind, TqvDataEntity* aDataEntity);
    void HandleMoveOfTreeNode(TqvDataEntity_GridTreeNode* theNode);
    void SetExpandedState(TqvDataList_GridTree* theList, bool theValue);
    bool IsDestroying() const { return FDestroying; }
    // The node of a row item, or none.
    static TqvDataEntity_GridTreeNode* NodeOfRow(const TAxisContentItem* theItem);

    // Controller slots.
    virtual void _DeleteItem(TqvDataEntity* theDataEntity);
    virtual void _InsertItem(TqvDataEntity* theDataEntity);
    virtual void _SelectionChanged(TqvDataList* theList, TqvDataEntity* theDataEntity);
    virtual void _ContentChanged(TqvDataList* theList);
    virtual void _OnUnLoadedContentChanged(TqvDataList* theList);
    virtual int _SortCompare(TqvDataEntity* the1, TqvDataEntity* the2);
    virtual void _OnVisibleChanged(TqvDataEntity* theDataEntity);
    virtual void _InitSubDataList(TqvDataEntity_GridTreeNode* theNode);
    virtual void _OnHandlePerformedMove(TqvDataEntity* theDataEntity, int theOldIndex, int theNewIndex);
    virtual void _OnEnterOwnerAfterChange(TqvDataEntity* theDataEntity);
    void _OnLoadItem(TqvDataEntity* theDataEntity);
    void _OnUnloadItem(TqvDataEntity* theDataEntity, bool& theCanUnload);
    void _OnExpand(TqvDataEntity_GridTreeNode* theNode, bool& allow);
    void _OnCollapse(TqvDataEntity_GridTreeNode* theNode, bool& allow);

    // Factories (used when the lists are first needed, and for every new sub-list).
    virtual TqvDataList_GridTree* CreateDataList_GridTree();
    virtual TqvDataList2lev* CreateDataList2Lev();
    virtual TqvDataEntityClass GetClassOfDataEntity_GridTreeNode();

private:
    friend class TqvDataEntity_GridTreeNode;
    struct TOrder;
    struct TRowTarget {
        TqvDataEntity_GridTreeNode* Node = nullptr;
        int UnloadedRoot = -1; // index of an unloaded root entity
    };
    TRowTarget NodeAtRow(int theRow);
    int SubtreeRows(TqvDataEntity_GridTreeNode* theNode);
    TqvDataEntity_GridTreeNode* FirstLoadedNode();
    bool IsBeforeLoadedRows(TqvDataEntity_GridTreeNode* theNode, const TOrder& theOrder);
    void TakeOutRows(TqvDataEntity_GridTreeNode* theNode, const TOrder& theOrder);
    void PutBackRows(TqvDataEntity_GridTreeNode* theNode);
    void _OnLeaveOwnerBeforeChange(TqvDataEntity* theDataEntity);
    bool MovesAsLoadedRows(TqvDataEntity_GridTreeNode* theNode);
    static void CollectSubtree(TqvDataEntity_GridTreeNode* theNode,
                               std::vector<TqvDataEntity_GridTreeNode*>& theNodes);
    void ClearRows(TqvDataList_GridTree* theList);
    void BuildDataLists();
    TqvDataList_GridTree* RootDataList = nullptr;
    TqvDataList2lev* DataLists = nullptr;
    TqvListController* Controller = nullptr;
    std::unique_ptr<TqvListController> FController;
    bool FDestroying = false;
};

} // namespace skedra
