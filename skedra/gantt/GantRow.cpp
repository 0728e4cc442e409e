#include "skedra/gantt/GantRow.h"

#include <QScopeGuard>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <unordered_set>

#include "skedra/foundation/DoLater.h"
#include "skedra/gantt/TimeDistinctThread.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/platform/Messages.h"
#include "skedra/tree/GridTree.h"

namespace skedra
{

namespace
{

int FloorDiv(int a, int b)
{
    const int q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

const TRect kNoRect(-1, -1, -1, -1);

} // namespace

// ===========================================================================
// TGantRow: construction and layers

TGantRow::TGantRow(TGantRowList* aRowList, TqvDataEntity_Tree* aTreeNode,
                   TqvDataEntity_GridTreeNode* aGridNode)
    : GridNode(aGridNode), TreeNode(aTreeNode), RowList(aRowList),
      Gant(aRowList ? aRowList->GetGant() : nullptr)
{
    if (Gant == nullptr) throw Exception(QStringLiteral("A Gantt row needs a row list of a chart"));
    DataLists = Gant->CreateDataList2Lev();
    DataLists->OnMissingIndex = MakeMethod<&TGantRow::OnMissingIndex>(this);
    Gant->GetDataLists()->Add(DataLists);
}

TGantRow::~TGantRow()
{
    CancelSubColumns();
}

void TGantRow::CleanForFree()
{
    CancelSubColumns();
    if (RowList != nullptr) RowList->Forget(this);
    if (DataLists != nullptr) {
        if (Gant != nullptr && Gant->GetDataLists() != nullptr) Gant->GetDataLists()->Remove(DataLists);
        TqvDataList2lev* lists = DataLists;
        TKeepAlive keep(lists);
        for (int i = lists->Count() - 1; i >= 0; --i) {
            TqvDataList* layer = lists->GetDataList(i);
            lists->Delete(i);
            if (layer != nullptr) layer->FreeWheneverPossible();
        }
        lists->Clear();
        lists->OnMissingIndex.Clear();
        DataLists = nullptr;
        lists->FreeWheneverPossible();
    }
    TreeNode = nullptr;
    GridNode = nullptr;
    RowList = nullptr;
    Gant = nullptr;
}

TqvDataList_GantRow* TGantRow::GetLayer(int aIndex)
{
    if (aIndex < 0 || DataLists == nullptr) return nullptr;
    return dynamic_cast<TqvDataList_GantRow*>(DataLists->GetDataList(aIndex));
}

int TGantRow::LayerIndexOf(const TqvDataList* aLayer) const
{
    return DataLists != nullptr && aLayer != nullptr ? DataLists->IndexOf(aLayer) : -1;
}

TqvDataList_GantRow* TGantRow::AddDataList()
{
    if (Gant == nullptr || DataLists == nullptr) return nullptr;
    TqvDataList_GantRow* layer = Gant->CreateDataList_GantRow();
    layer->AfterCreate(Gant->GetTimeItemController(), ClassOf<TqvDataEntity_GantTime>());
    layer->Row = this;
    DataLists->Add(layer);
    return layer;
}

void TGantRow::OnMissingIndex(TqvExposable* theCaller, int theIndex, bool& theFixable)
{
    if (theCaller != DataLists || DataLists == nullptr) return;
    theFixable = true;
    while (DataLists->Count() <= theIndex)
        if (AddDataList() == nullptr) return;
}

int TGantRow::TimeItemCount() const
{
    int n = 0;
    for (int i = 0; i < LayerCount(); ++i)
        if (TqvDataList* layer = DataLists->GetDataList(i)) n += layer->Count();
    return n;
}

bool TGantRow::GetVisible() const
{
    if (Gant == nullptr) return false;
    if (!Gant->GetUseGridNotTree()) return TreeNode != nullptr && TreeNode->GetVisible();
    return GridNode != nullptr && GridNode->Row != nullptr && !GridNode->Row->Hidden &&
           GridNode->GetVisible();
}

// ===========================================================================
// Geometry

TRect TGantRow::GetRect()
{
    UpdateRect();
    return Rect;
}

void TGantRow::UpdateRect()
{
    Rect = kNoRect;
    if (Gant == nullptr) return;
    if (!Gant->GetUseGridNotTree()) {
        TGantTree* tree = Gant->GetTreeView();
        if (tree == nullptr || TreeNode == nullptr) return;
        tree->EnsureDisplayUpToDate();
        // A node under a collapsed parent has no row: no band, never a band at the top edge.
        if (!TreeNode->GetVisible()) return;
        Rect = tree->GetRect(TreeNode);
    } else {
        Rect = Gant->GridNodeBand(GridNode);
    }
    if (Rect.Bottom == -1) {
        Rect = kNoRect;
        return;
    }
    Rect.Left = 0;
    Rect.Right = Gant->GetGA() ? Gant->GetGA()->GetWidth() : 0;
    if (!Gant->GetUseGridNotTree() && Rect.Bottom - Rect.Top > 0)
        Gant->SetLastRowHeight(Rect.Bottom - Rect.Top);
    if (const int offset = Gant->GetPrintPageOffset(); offset != 0) {
        Rect.Top -= offset;
        Rect.Bottom -= offset;
    }
}

void TGantRow::XStartStopFromDataEntity(const TqvDataEntity_GantTime* anItem, int& x1, int& x2) const
{
    x1 = x2 = 0;
    if (anItem == nullptr || Gant == nullptr || Gant->GetDateScaler() == nullptr) return;
    const TqvDateScaler* scaler = Gant->GetDateScaler();
    if (anItem->IsResizable()) {
        x1 = scaler->DateToPixel(anItem->GetStartDateTime());
        x2 = scaler->DateToPixel(anItem->GetStopDateTime());
    } else {
        const int xs = scaler->DateToPixel(anItem->GetStartDateTime());
        x1 = xs - anItem->FixedWidth / 2;
        x2 = x1 + anItem->FixedWidth;
    }
    if (Gant->GetGA()->GetIsPrinting()) {
        const double f = Gant->GetGA()->GetScalex();
        x1 = RoundPixel(f * x1);
        x2 = RoundPixel(f * x2);
    }
}

int TGantRow::SubColOf(const TqvDataEntity_GantTime* anItem) const
{
    int s;
    if (CollisionDetection) {
        if (anItem->GetSubCol() == 0) return -1;
        s = anItem->GetSubCol() - 1;
    } else {
        s = GetLayerSubCol(LayerIndexOf(anItem->GetDataList()));
    }
    // Never the band of the next row, whatever set the sub-column.
    return std::clamp(s, 0, UseSubCols - 1);
}

bool TGantRow::YStartStopFromDataEntity(const TqvDataEntity_GantTime* anItem, int& y1, int& y2) const
{
    const TGantRow* own = anItem ? anItem->GetRow() : nullptr;
    const bool result = Rect.Top != -1 && own != nullptr && own->GetVisible();
    y1 = Rect.Top + 1;
    y2 = Rect.Bottom - 1;
    if (anItem != nullptr && UseSubCols > 1) {
        if (const int s = SubColOf(anItem); s >= 0) {
            const int h = (y2 - y1) / UseSubCols;
            y2 = y1 + h * (s + 1);
            y1 = y1 + s * h;
        }
    }
    if (Gant != nullptr && Gant->GetGA()->GetIsPrinting() && !Gant->GetUseGridNotTree()) {
        const double f = Gant->GetGA()->GetScaley();
        y1 = RoundPixel(f * y1);
        y2 = RoundPixel(f * y2);
    }
    return result;
}

namespace
{

// The rectangle from the extents; false when the item has none.
bool RectFromExtents(const TGantRow* aRow, const TqvDataEntity_GantTime* anItem, int x1, int x2, TRect& aRect)
{
    int y1 = 0, y2 = 0;
    if (!aRow->YStartStopFromDataEntity(anItem, y1, y2)) return false;
    const TqvOffscreenPaint_GA* ga = aRow->GetGant()->GetGA();
    const double f = ga->GetIsPrinting() ? ga->GetPrintScaley() : 1.0;
    aRect.Left = x1;
    aRect.Right = x2;
    aRect.Top = y1 + RoundPixel(anItem->TopInset * f);
    aRect.Bottom = std::max(y2 - RoundPixel(f * anItem->BottomInset), aRect.Top);
    // Every item is at least 5 pixels wide.
    if (aRect.Right - aRect.Left < 5) aRect.Right = aRect.Left + 5;
    return true;
}

} // namespace

bool TGantRow::RectFromDataEntity(const TqvDataEntity_GantTime* anItem, TRect& aRect)
{
    UpdateRect();
    if (anItem == nullptr || anItem->GetRow() == nullptr || !anItem->GetVisible() || Gant == nullptr)
        return false;
    int x1 = 0, x2 = 0;
    XStartStopFromDataEntity(anItem, x1, x2);
    return RectFromExtents(this, anItem, x1, x2, aRect);
}

TqvDataEntity_GantTime* TGantRow::FindDataEntityFromX(int x)
{
    return FindDataEntityFromXY(x, GetRect().Top + 1);
}

TqvDataEntity_GantTime* TGantRow::FindDataEntityFromXY(int x, int y)
{
    UpdateRect();
    if (Rect.Top == -1 || DataLists == nullptr || !GetVisible()) return nullptr;
    for (int li = DataLists->Count() - 1; li >= std::max(0, DrawLayerStart); --li) {
        TqvDataList* layer = DataLists->GetDataList(li);
        if (layer == nullptr) continue;
        for (int i = layer->Count() - 1; i >= 0; --i) {
            auto* item = static_cast<TqvDataEntity_GantTime*>(layer->GetItems(i));
            if (item == nullptr || !item->GetVisible()) continue;
            int x1 = 0, x2 = 0;
            XStartStopFromDataEntity(item, x1, x2);
            // The horizontal test first: it rejects most items without the vertical extent.
            if (x < x1 || x >= std::max(x2, x1 + 5)) continue;
            TRect r;
            if (RectFromExtents(this, item, x1, x2, r) && r.Contains(TPoint(x, y))) return item;
        }
    }
    return nullptr;
}

void TGantRow::DrawContent()
{
    UpdateRect();
    if (Rect.Top == -1 || DataLists == nullptr || Gant == nullptr) return;
    TqvGant_ComBasic* gant = Gant;
    TKeepAlive keep(this);
    for (int li = std::max(0, DrawLayerStart); DataLists != nullptr && li < DataLists->Count(); ++li) {
        TqvDataList* layer = DataLists->GetDataList(li);
        if (layer == nullptr) continue;
        for (int i = 0; i < layer->Count(); ++i) {
            auto* item = static_cast<TqvDataEntity_GantTime*>(layer->GetItems(i));
            if (item == nullptr || !item->GetVisible() || !gant->IsVisible(item)) continue;
            int x1 = 0, x2 = 0;
            XStartStopFromDataEntity(item, x1, x2);
            TRect r;
            if (RectFromExtents(this, item, x1, x2, r)) gant->DrawContent(item, r);
            if (Gant == nullptr) return; // released by the drawing
        }
    }
}

// ===========================================================================
// Settings

void TGantRow::SetDrawLayerStart(int aValue)
{
    DrawLayerStart = std::max(0, aValue);
    if (Gant) Gant->InvalidateGA();
}

void TGantRow::SetUseSubCols(int aValue)
{
    UseSubCols = std::max(0, aValue);
    if (Gant) Gant->InvalidateGA();
}

int TGantRow::GetLayerSubCol(int aLayerIndex) const
{
    return aLayerIndex >= 0 && aLayerIndex < LayerSubColCount ? LayerSubCol[static_cast<size_t>(aLayerIndex)]
                                                              : 0;
}

void TGantRow::DataListOnSubCol(int aLayerIndex, int aSubCol)
{
    if (aLayerIndex < 0 || aLayerIndex >= LayerSubColCount) return;
    LayerSubCol[static_cast<size_t>(aLayerIndex)] = aSubCol;
    if (Gant) Gant->InvalidateRowBand(this);
}

// ===========================================================================
// Sub-columns

void TGantRow::SetCollisionDetection(bool aOn)
{
    if (aOn == CollisionDetection) return;
    CollisionDetection = aOn;
    if (aOn) {
        UpdateSubColumns();
    } else {
        // A queued or running computation would divide the band again.
        CancelSubColumns();
        UseSubCols = 0;
    }
    if (Gant) Gant->InvalidateGA();
}

void TGantRow::SetCollisionDetectionPause(bool aPause)
{
    if (aPause) {
        if (!CollisionDetection || CollisionDetectionPaused) return;
        SetCollisionDetection(false);
        CollisionDetectionPaused = true;
        if (Gant) Gant->RowPaused();
    } else if (CollisionDetectionPaused) {
        SetCollisionDetection(true);
        CollisionDetectionPaused = false;
    }
}

void TGantRow::UpdateSubColumns()
{
    if (!CollisionDetection || Gant == nullptr || Gant->IsDestroying()) return;
    Gant->RequestSubColumns(this);
}

void TGantRow::CancelSubColumns()
{
    if (FSubColumnsRequested && Gant != nullptr) Gant->WithdrawSubColumns(this);
    FSubColumnsRequested = false;
    TTimeDistinctGenericThread::FreeAndCleanUp(Thread);
}

void TGantRow::UpdateSubColumnsAsync(TObject*)
{
    if (!CollisionDetection || Gant == nullptr || DataLists == nullptr) return;
    try {
        CleanUpThread();
        if (!TSubColumnDriver::StartAllowed()) {
            SetCollisionDetectionPause(true);
            return;
        }
        auto* thread = new TTimeDistinctGenericThread();
        Thread = thread;
        thread->OnDone = MakeMethod<&TGantRow::TimeDistinctThreadDone>(this);
        TDistinctTimeHolderList* holders = thread->Holders();
        for (int li = 0; li < DataLists->Count(); ++li) {
            TqvDataList* layer = DataLists->GetDataList(li);
            if (layer == nullptr) continue;
            // Only items of one layer conflict unless all layers do.
            const QString key = CollisionAllLayers ? QString() : QString::number(li);
            for (int i = 0; i < layer->Count(); ++i) {
                auto* item = static_cast<TqvDataEntity_GantTime*>(layer->GetItems(i));
                if (item == nullptr || !item->GetVisible()) continue;
                holders->Add(RoundToSecond(item->GetStartDateTime()), RoundToSecond(item->GetStopDateTime()),
                             key, item);
            }
        }
        thread->Start();
    } catch (...) {
        ShowMessage(QStringLiteral("UpdateSubColumns exception:") + ExceptionText(std::current_exception()));
    }
}

void TGantRow::TimeDistinctThreadDone(TObject* Sender)
{
    TTimeDistinctGenericThread* const mine = Thread;
    if (mine == nullptr || Sender != mine) return;
    TKeepAlive keepRow(this);
    const auto finally = qScopeGuard([this] {
        if (Gant) Gant->InvalidateRowBand(this);
        CleanUpThread();
    });
    if (!CollisionDetection) return;
    try {
        // The handler may delete items (or the row) while the result is
        // applied: it is applied over a snapshot, skipping what is gone.
        std::vector<TqvDataEntity_GantTime*> items;
        std::vector<TKeepAlive> keep;
        for (int li = 0; DataLists != nullptr && li < DataLists->Count(); ++li) {
            TqvDataList* layer = DataLists->GetDataList(li);
            if (layer == nullptr) continue;
            for (int i = 0; i < layer->LoadedCount(); ++i) {
                auto* item = static_cast<TqvDataEntity_GantTime*>(layer->GetLoaded(i));
                items.push_back(item);
                keep.emplace_back(item);
            }
        }
        UseSubCols = 0;
        int highest = 0;
        for (TqvDataEntity_GantTime* item : items) {
            if (Thread != mine) break;
            if (item->GetRow() != this) continue;
            const TDistinctTimeHolder* holder = mine->Holders()->FindFromReference(item);
            if (holder == nullptr) continue;
            int n = holder->SubCol;
            if (item->GetSubCol() != n && Gant && Gant->OnCollisionDetected.Assigned()) {
                item->SetSubCol(-1);
                Gant->OnCollisionDetected(Gant, item, n);
                if (item->GetRow() != this) continue;
                if (item->GetSubCol() != -1) n = item->GetSubCol();
            }
            item->SetSubCol(n);
            highest = std::max(highest, n);
        }
        UseSubCols = highest;
        if (Gant && Gant->GetUseGridNotTree() && GrowGridRowWithSubCols && GridNode != nullptr)
            // A row none of whose items overlap keeps one sub-column's height.
            Gant->SetGridNodeRowHeight(GridNode, SubColRowHeight * std::max(1, highest));
    } catch (...) {
        ShowMessage(QStringLiteral("TimeDistinctThreadDone:") + ExceptionText(std::current_exception()));
    }
}

void TGantRow::CleanUpThread()
{
    // Freeing the thread lowers the live count; TSubColumnDriver resumes
    // paused rows when it falls low enough, whichever thread it falls on.
    TTimeDistinctGenericThread::FreeAndCleanUp(Thread);
}

void TGantRow::CheckInvariants() const
{
    if (DataLists != nullptr) {
        for (int i = 0; i < DataLists->Count(); ++i) {
            auto* layer =
                dynamic_cast<TqvDataList_GantRow*>(const_cast<TqvDataList2lev*>(DataLists)->GetDataList(i));
            if (layer == nullptr || layer->Row != this)
                throw Exception(QStringLiteral("A layer of a row is not its own"));
        }
    }
    if (UseSubCols < 0) throw Exception(QStringLiteral("Negative sub-column count"));
    if (!CollisionDetection && Thread != nullptr)
        throw Exception(QStringLiteral("A row computes sub-columns with collision detection off"));
    if (Gant == nullptr && (DataLists != nullptr || RowList != nullptr))
        throw Exception(QStringLiteral("A released row still holds its lists"));
}

// ===========================================================================
// TGantRowList

TGantRowList::TGantRowList(TqvGant_ComBasic* aGant) : Gant(aGant) {}

void TGantRowList::CleanForFree()
{
    TKeepAlive keep(this);
    while (!Rows.empty()) {
        TGantRow* row = Rows.back();
        Rows.pop_back();
        row->RowList = nullptr;
        row->FreeWheneverPossible();
    }
    ByNode.clear();
    FDuplicates = 0;
}

TGantRow* TGantRowList::GetGantRow(int anIndex) const
{
    return anIndex >= 0 && anIndex < Count() ? Rows[static_cast<size_t>(anIndex)] : nullptr;
}

TGantRow* TGantRowList::AddRow(TqvDataEntity_Tree* aTreeNode, TqvDataEntity_GridTreeNode* aGridNode)
{
    if (Gant == nullptr) return nullptr;
    TGantRow* row = nullptr;
    if (Gant->OnUserCreateGantRow.Assigned())
        Gant->OnUserCreateGantRow(this, aTreeNode, aGridNode, row);
    else
        row = Gant->CreateRow(aTreeNode, aGridNode);
    if (row == nullptr) return nullptr;
    Rows.push_back(row);
    row->FSerial = ++FNextSerial;
    for (const TqvDataEntity* node : {static_cast<const TqvDataEntity*>(row->TreeNode),
                                      static_cast<const TqvDataEntity*>(row->GridNode)}) {
        if (node == nullptr) continue;
        if (!ByNode.emplace(node, row).second) ++FDuplicates;
    }
    Gant->OnAfterAddGantRow(this, row);
    return row;
}

void TGantRowList::RemoveRow(TqvDataEntity_Tree* aTreeNode, TqvDataEntity_GridTreeNode* aGridNode)
{
    TGantRow* row = aTreeNode != nullptr ? FindRowFromTreeNode(aTreeNode) : FindRowFromGridNode(aGridNode);
    if (row == nullptr) return;
    TKeepAlive keep(row);
    if (Gant) Gant->OnBeforeFreeGantRow(this, row);
    Forget(row);
    row->FreeWheneverPossible();
}

void TGantRowList::Forget(TGantRow* aRow)
{
    // Rows stand in creation order: found by their serial, not by a scan.
    const auto it =
        std::lower_bound(Rows.begin(), Rows.end(), aRow->FSerial,
                         [](const TGantRow* row, std::uint64_t serial) { return row->FSerial < serial; });
    if (it != Rows.end() && *it == aRow) {
        Rows.erase(it);
    } else { // a row the application handed in twice: its serial is the later one
        const auto back = std::find(Rows.rbegin(), Rows.rend(), aRow);
        if (back == Rows.rend()) return;
        Rows.erase(std::next(back).base());
    }
    for (const TqvDataEntity* node : {static_cast<const TqvDataEntity*>(aRow->TreeNode),
                                      static_cast<const TqvDataEntity*>(aRow->GridNode)}) {
        if (node == nullptr) continue;
        const auto found = ByNode.find(node);
        if (found == ByNode.end() || found->second != aRow) {
            if (FDuplicates > 0) --FDuplicates;
            continue;
        }
        ByNode.erase(found);
        if (FDuplicates == 0) continue;
        // Another row of the same node becomes the one found.
        for (TGantRow* other : Rows) {
            if (other->TreeNode == node || other->GridNode == node) {
                ByNode.emplace(node, other);
                --FDuplicates;
                break;
            }
        }
    }
    aRow->RowList = nullptr;
}

TGantRow* TGantRowList::FindRowFromTreeNode(const TqvDataEntity_Tree* aNode) const
{
    if (aNode == nullptr) return nullptr;
    const auto it = ByNode.find(aNode);
    return it != ByNode.end() && it->second->TreeNode == aNode ? it->second : nullptr;
}

TGantRow* TGantRowList::FindRowFromGridNode(const TqvDataEntity_GridTreeNode* aNode) const
{
    if (aNode == nullptr) return nullptr;
    if (auto* row = dynamic_cast<TGantRow*>(aNode->IntegrationData)) return row;
    const auto it = ByNode.find(aNode);
    return it != ByNode.end() && it->second->GridNode == aNode ? it->second : nullptr;
}

TGantRow* TGantRowList::FindRowFromUntypedNode(TqvDataEntity* anEntity) const
{
    if (auto* tree = dynamic_cast<TqvDataEntity_Tree*>(anEntity)) return FindRowFromTreeNode(tree);
    return FindRowFromGridNode(dynamic_cast<TqvDataEntity_GridTreeNode*>(anEntity));
}

TGantRow* TGantRowList::FindRowFromTreeNodeDataEntityUserReference(const void* aReference) const
{
    TGantRow* found = nullptr;
    for (TGantRow* row : Rows) {
        const TqvDataEntity* node = row->TreeNode != nullptr
                                        ? static_cast<const TqvDataEntity*>(row->TreeNode)
                                        : static_cast<const TqvDataEntity*>(row->GridNode);
        if (node != nullptr && node->GetUserReference() == aReference) found = row;
    }
    return found;
}

TGantRow* TGantRowList::FindRowFromYByScan(int y)
{
    if (Gant == nullptr) return nullptr;
    for (TGantRow* row : Rows) {
        if (!Gant->RowTypeCheckOK(row)) continue;
        const TRect r = row->GetRect();
        if (r.Top < y && y < r.Bottom) return row;
    }
    return nullptr;
}

TGantRow* TGantRowList::FindRowFromY(int y)
{
    if (Gant == nullptr) return nullptr;
    TGantTree* tree = Gant->GetTreeView();
    if (Gant->GetUseGridNotTree()) {
        if (Gant->GetGrid() == nullptr) return FindRowFromYByScan(y);
        Gant->PrepareGeometry();
        return Gant->GridRowFromY(y);
    }
    if (FDuplicates > 0 || tree == nullptr) return FindRowFromYByScan(y);
    tree->EnsureDisplayUpToDate();
    const int h = tree->GetItemHeight();
    if (h <= 0) return FindRowFromYByScan(y);
    // The tree's rows are uniform: the candidate is found by its index, then
    // confirmed by its band (a point on an edge belongs to no row).
    const int ty = y + Gant->GetPrintPageOffset();
    const int k = FloorDiv(ty, h);
    if (ty == k * h) return nullptr;
    TGantRow* row = FindRowFromTreeNode(Gant->TreeRowEntity(k));
    if (row == nullptr) return nullptr;
    const TRect r = row->GetRect();
    return r.Top < y && y < r.Bottom ? row : nullptr;
}

void TGantRowList::CheckInvariants() const
{
    size_t indexed = 0;
    for (const TGantRow* row : Rows) {
        if (row->RowList != this)
            throw Exception(QStringLiteral("A row of the list belongs to another list"));
        for (const TqvDataEntity* node : {static_cast<const TqvDataEntity*>(row->TreeNode),
                                          static_cast<const TqvDataEntity*>(row->GridNode)}) {
            if (node == nullptr) continue;
            const auto it = ByNode.find(node);
            if (it == ByNode.end()) throw Exception(QStringLiteral("A row's node is not indexed"));
            if (it->second == row) ++indexed;
        }
        row->CheckInvariants();
    }
    if (indexed != ByNode.size()) throw Exception(QStringLiteral("The node index holds rows that are gone"));
    // The index finds the first row of each node.
    std::unordered_set<const TqvDataEntity*> seen;
    for (const TGantRow* row : Rows) {
        for (const TqvDataEntity* node : {static_cast<const TqvDataEntity*>(row->TreeNode),
                                          static_cast<const TqvDataEntity*>(row->GridNode)}) {
            if (node == nullptr || !seen.insert(node).second) continue;
            if (ByNode.at(node) != row)
                throw Exception(QStringLiteral("The node index does not find the first row"));
        }
    }
}

} // namespace skedra
