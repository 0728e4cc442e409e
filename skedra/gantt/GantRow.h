#pragma once
// The rows of the Gantt chart. A row exists for every node of the chart's row
// control (a tree node in tree mode, a grid tree node in grid mode) and holds
// its time items in layers, each layer a TqvDataList_GantRow. A row maps its
// items to rectangles in the Gantt area (its band, divided into sub-columns
// when items overlap) and finds the item under a point.
//
// Sub-columns: with collision detection on, the row's items are placed by a
// worker thread (TTimeDistinctGenericThread); the result is applied on the
// user-interface thread. The cap on threads and the resumption of paused rows
// are shared with every other user of the engine (TSubColumnDriver).

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "skedra/data/DataListGroups.h"
#include "skedra/gantt/GantData.h"
#include "skedra/platform/Geometry.h"

namespace skedra
{

class TGantRowList;
class TqvDataEntity_Tree;
class TqvDataEntity_GridTreeNode;
class TTimeDistinctGenericThread;

class TGantRow : public TqvExposable
{
public:
    // Layers whose sub-column can be assigned with DataListOnSubCol.
    static constexpr int LayerSubColCount = 10;

    TGantRow(TGantRowList* aRowList, TqvDataEntity_Tree* aTreeNode, TqvDataEntity_GridTreeNode* aGridNode);
    // A chart has a row per node: in the shared slot pools.
    static void* operator new(std::size_t aSize) { return TSlotPools::Allocate(aSize); }
    static void operator delete(void* aPointer, std::size_t aSize) { TSlotPools::Free(aPointer, aSize); }

    // Cancels the pending sub-column request, drops the computation, frees the
    // layers (last to first) and forgets the chart.
    void CleanForFree() override;

    // --- layers
    TqvDataList2lev* GetDataLists() const { return DataLists; }
    int LayerCount() const { return DataLists ? DataLists->Count() : 0; }
    // The layer at aIndex, appended (with every layer before it) when missing;
    // none for a negative index or a row already released.
    TqvDataList_GantRow* GetLayer(int aIndex);
    // The index of aLayer in DataLists, or -1.
    int LayerIndexOf(const TqvDataList* aLayer) const;
    // Appends a layer set up with the chart's controller and time item class.
    TqvDataList_GantRow* AddDataList();
    void OnMissingIndex(TqvExposable* theCaller, int theIndex, bool& theFixable);
    // Every time item of the row, layer by layer, in order.
    int TimeItemCount() const;

    // --- identity
    TqvDataEntity_Tree* GetTreeNode() const { return TreeNode; }
    TqvDataEntity_GridTreeNode* GetGridNode() const { return GridNode; }
    TGantRowList* GetRowList() const { return RowList; }
    TqvGant_ComBasic* GetGant() const { return Gant; }
    // Tree mode: the tree node is visible; grid mode: the grid node has a row
    // that is not hidden and the node is visible.
    bool GetVisible() const;

    // --- geometry
    // The band in Gantt area coordinates, computed now; (-1, -1, -1, -1) when
    // the row is not shown.
    TRect GetRect();
    // The band as last computed (by GetRect or UpdateRect).
    const TRect& GetLastRect() const { return Rect; }
    void UpdateRect();
    void XStartStopFromDataEntity(const TqvDataEntity_GantTime* anItem, int& x1, int& x2) const;
    // Uses the band as last computed (call GetRect or UpdateRect first).
    bool YStartStopFromDataEntity(const TqvDataEntity_GantTime* anItem, int& y1, int& y2) const;
    bool RectFromDataEntity(const TqvDataEntity_GantTime* anItem, TRect& aRect);
    TqvDataEntity_GantTime* FindDataEntityFromX(int x);
    // The topmost item (from DrawLayerStart up) whose rectangle holds the point.
    TqvDataEntity_GantTime* FindDataEntityFromXY(int x, int y);
    // Draws the row's visible items, layer by layer, through the chart's DrawContent.
    void DrawContent();

    // --- settings
    int GetDrawLayerStart() const { return DrawLayerStart; }
    void SetDrawLayerStart(int aValue);
    int GetUseSubCols() const { return UseSubCols; }
    void SetUseSubCols(int aValue);
    // The sub-column (0-based) of a layer while collision detection is off;
    // 0 for layers that cannot be assigned.
    int GetLayerSubCol(int aLayerIndex) const;
    // Assigns a layer's sub-column; ignored for layers outside 0..9.
    void DataListOnSubCol(int aLayerIndex, int aSubCol);
    bool GetTimeItems_CanMove() const { return TimeItems_CanMove; }
    void SetTimeItems_CanMove(bool aValue) { TimeItems_CanMove = aValue; }

    // --- sub-columns
    bool GetCollisionDetection() const { return CollisionDetection; }
    void SetCollisionDetection(bool aOn);
    bool GetCollisionDetectionPaused() const { return CollisionDetectionPaused; }
    void SetCollisionDetectionPause(bool aPause);
    TTimeDistinctGenericThread* GetThread() const { return Thread; }
    // Requests a computation (deferred) when collision detection is on.
    void UpdateSubColumns();
    void UpdateSubColumnsAsync(TObject* Sender);
    void TimeDistinctThreadDone(TObject* Sender);
    void CleanUpThread();

    // Public settings without side effects.
    bool TimeItems_CanChangeRow = true;
    bool TimeItems_CanGrow = true;
    TColor SelectionMarkColor = 0;
    bool ShowSelection = true;
    bool ShowFocus = true;
    // Items of all layers conflict with each other (else only within a layer).
    bool CollisionAllLayers = false;
    int SubColRowHeight = 0;
    bool GrowGridRowWithSubCols = false;

    // The row's state holds (asserted in Debug builds, called by tests).
    void CheckInvariants() const;

protected:
    // Cancels the pending request and drops the computation.
    ~TGantRow() override;

private:
    friend class TGantRowList;
    friend class TqvGant_ComBasic;

    // The sub-column an item's band part uses, clamped to 0..UseSubCols-1; -1
    // when the item keeps the whole band.
    int SubColOf(const TqvDataEntity_GantTime* anItem) const;
    void CancelSubColumns();

    TqvDataEntity_GridTreeNode* GridNode = nullptr;
    bool TimeItems_CanMove = true;
    bool CollisionDetectionPaused = false;
    bool CollisionDetection = false;
    TqvDataList2lev* DataLists = nullptr;
    TqvDataEntity_Tree* TreeNode = nullptr;
    TGantRowList* RowList = nullptr;
    TqvGant_ComBasic* Gant = nullptr;
    int DrawLayerStart = 0;
    TRect Rect{-1, -1, -1, -1};
    int UseSubCols = 0;
    std::array<int, LayerSubColCount> LayerSubCol{};
    TTimeDistinctGenericThread* Thread = nullptr;
    // Position in creation order, which is the row list's order.
    std::uint64_t FSerial = 0;
    // A sub-column computation is requested (queued with the chart).
    bool FSubColumnsRequested = false;
};

class TGantRowList : public TqvExposable
{
public:
    explicit TGantRowList(TqvGant_ComBasic* aGant);

    // Releases every row (last to first).
    void CleanForFree() override;

    int Count() const { return static_cast<int>(Rows.size()); }
    // The row at index, or none outside 0..Count-1.
    TGantRow* GetGantRow(int anIndex) const;
    TqvGant_ComBasic* GetGant() const { return Gant; }

    // A new row (OnUserCreateGantRow or the chart's CreateRow), appended; then OnAfterAddGantRow.
    TGantRow* AddRow(TqvDataEntity_Tree* aTreeNode, TqvDataEntity_GridTreeNode* aGridNode);
    // The row of the tree node when given, else of the grid node: OnBeforeFreeGantRow, then released.
    void RemoveRow(TqvDataEntity_Tree* aTreeNode, TqvDataEntity_GridTreeNode* aGridNode);

    // The row of the current mode whose band holds y strictly inside, found
    // from the row control's uniform rows (cost independent of the number of rows).
    TGantRow* FindRowFromY(int y);
    // The same by scanning every row in list order; the reference for tests.
    TGantRow* FindRowFromYByScan(int y);
    TGantRow* FindRowFromTreeNode(const TqvDataEntity_Tree* aNode) const;
    TGantRow* FindRowFromGridNode(const TqvDataEntity_GridTreeNode* aNode) const;
    TGantRow* FindRowFromUntypedNode(TqvDataEntity* anEntity) const;
    // The last row whose tree node (or, without one, grid node) has that user reference.
    TGantRow* FindRowFromTreeNodeDataEntityUserReference(const void* aReference) const;

    const std::vector<TGantRow*>& GetRows() const { return Rows; }
    // Some node has more than one row (added directly, not by the row control).
    bool HasDuplicateNodes() const { return FDuplicates > 0; }
    // Creation order of a row (the list's order), for sorting rows found otherwise.
    static std::uint64_t OrderOf(const TGantRow* aRow) { return aRow->FSerial; }
    void CheckInvariants() const;

protected:
    ~TGantRowList() override = default;

private:
    friend class TGantRow;
    void Forget(TGantRow* aRow);

    TqvGant_ComBasic* Gant = nullptr;
    std::vector<TGantRow*> Rows;
    // First row per node, so that the row of a node is found without a scan.
    std::unordered_map<const TqvDataEntity*, TGantRow*> ByNode;
    // Rows whose node already had a row when they were added.
    int FDuplicates = 0;
    std::uint64_t FNextSerial = 0;
};

} // namespace skedra
