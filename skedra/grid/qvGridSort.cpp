// Sorting the grid's rows by a column: header clicks and calls from code,
// the sort key of a row, the comparison, and applying the order as one
// permutation of the rows (for tree rows: of each list of siblings, with
// every subtree kept directly under its parent).

#include "skedra/grid/qvGrid.h"

#include <QLocale>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <algorithm>
#include <numeric>
#include <typeinfo>
#include <unordered_map>

#include "skedra/platform/DateTime.h"

namespace skedra
{

// A row's sort key: the key the application sees, and its parts the
// comparison uses (so that numbers compare as numbers and the row index only
// breaks ties).
struct TqvGrid::TSortKey {
    QString Full;
    QString Value;
    double Number = 0;
    bool Parsed = false;
    // A plain decimal number, compared digit by digit so that no digit is lost.
    bool Exact = false;
    QString Integer;  // without leading zeros
    QString Fraction; // without trailing zeros
    bool Negative = false;
    bool Custom = false;
    int Index = 0;
};

namespace
{
constexpr int kNumberWidth = 17;
constexpr int kIndexWidth = 11;

// Upper-cases the letters a to z only; a text without them is not copied.
void UpperAscii(QString& aText)
{
    const auto lower = [](QChar c) { return c >= QLatin1Char('a') && c <= QLatin1Char('z'); };
    if (std::none_of(aText.cbegin(), aText.cend(), lower)) return;
    for (QChar& c : aText)
        if (lower(c)) c = QChar(c.unicode() - ('a' - 'A'));
}

int Ordinal(const QString& a, const QString& b)
{
    const int r = QString::compare(a, b, Qt::CaseSensitive);
    return (r > 0) - (r < 0);
}

bool ParseNumber(const QString& aText, double& aNumber)
{
    const QString text = aText.trimmed();
    if (text.isEmpty()) return false;
    bool ok = false;
    aNumber = QLocale::c().toDouble(text, &ok);
    if (!ok) aNumber = QLocale().toDouble(text, &ok);
    return ok;
}

// Reads a plain decimal number ("-12.50", "1,5", ".5") into sign, integer
// digits without leading zeros and fraction digits without trailing zeros.
bool SplitDecimal(const QString& aText, bool& aNegative, QString& anInteger, QString& aFraction)
{
    QString text = aText.trimmed();
    aNegative = text.startsWith(QLatin1Char('-'));
    if (aNegative || text.startsWith(QLatin1Char('+'))) text.remove(0, 1);
    int point = -1;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) continue;
        if ((c == QLatin1Char('.') || c == QLatin1Char(',')) && point < 0) {
            point = i;
            continue;
        }
        return false;
    }
    anInteger = point < 0 ? text : text.left(point);
    aFraction = point < 0 ? QString() : text.mid(point + 1);
    if (anInteger.isEmpty() && aFraction.isEmpty()) return false;
    int lead = 0;
    while (lead < anInteger.size() && anInteger[lead] == QLatin1Char('0'))
        ++lead;
    anInteger.remove(0, lead);
    while (aFraction.endsWith(QLatin1Char('0')))
        aFraction.chop(1);
    if (anInteger.isEmpty() && aFraction.isEmpty()) aNegative = false; // -0 is 0
    return true;
}

int CompareDecimal(bool aNeg1, const QString& anInt1, const QString& aFrac1, bool aNeg2,
                   const QString& anInt2, const QString& aFrac2)
{
    if (aNeg1 != aNeg2) return aNeg1 ? -1 : 1;
    int r = (anInt1.size() > anInt2.size()) - (anInt1.size() < anInt2.size());
    if (r == 0) r = Ordinal(anInt1, anInt2);
    if (r == 0) r = Ordinal(aFrac1, aFrac2);
    return aNeg1 ? -r : r;
}

// Loads every item of an axis, whatever the loading rule would unload, so
// that a sort sees all of them.
void LoadEveryItem(TAxisContentList* aList)
{
    if (aList->Count() <= aList->FixedCount) return;
    if (aList->LoadedCount() <= aList->FixedCount) aList->EnsureLoadedItem(aList->FixedCount);
    if (aList->UnloadedBefore > 0)
        aList->LoadItems(aList->FixedCount, aList->FixedCount + aList->UnloadedBefore - 1, true);
    if (aList->UnloadedBetween > 0) { // the gap before the tail: then block and tail are one
        const int blockEnd = aList->UnloadedBefore + aList->BlockEnd();
        aList->LoadItems(blockEnd, blockEnd + aList->UnloadedBetween - 1, false);
    }
    if (aList->UnloadedAfter > 0)
        aList->LoadItems(aList->UnloadedBefore + aList->LoadedCount(), aList->Count() - 1, false);
}

TqvDataEntity_GridTreeNode* NodeAt(TqvDataList* aList, int aPos)
{
    return dynamic_cast<TqvDataEntity_GridTreeNode*>(aList->GetLoaded(aPos));
}
} // namespace

// ---------------------------------------------------------------------------
// Header clicks and calls from code

bool TqvGrid::CheckSortAllow(TMoxCell* aCell)
{
    if (!aCell || aCell->ParentCell != GetRootCell()) return false;
    TqvGrid_Column* column = CellToColumn(aCell);
    return column && column->GetSortEnable();
}

void TqvGrid::DoSortCell(TMoxCell* aCell, bool aDescending)
{
    TMoxGridCellForViewer* root = GetRootCell();
    if (!aCell || aCell->ParentCell != root || !aCell->ColumnItem) return;
    // Only a cell over one of the columns sorts; the info column has none.
    TqvGrid_Column* column = FColumns->GetColumn(aCell->ColumnItem->ListIndex() - root->GetFixedCols());
    if (!column) return;
    FSortColumn = column;
    FSortDescending = aDescending;
    bool goOn = true;
    OnColumnSort(this, FSortColumn, FSortDescending, goOn);
    if (goOn) DoInternalResortOfContent();
}

void TqvGrid::SortColumn(int aColIndex, bool aDescending)
{
    EnsureFixed();
    TMoxCell* cell = GetCell(aColIndex + GetRootCell()->GetFixedCols(), 0);
    if (!cell || !FColumns->GetColumn(aColIndex)) return;
    if (cell->GetIsFixed()) SetSortCell(cell, aDescending);
    DoSortCell(cell, aDescending);
}

// ---------------------------------------------------------------------------
// Keys and comparison

void TqvGrid::SortValue(TAxisContentItem* aRowItem, QString& aValue, bool& aIsNegative, QString& aKey,
                        bool aWithKey)
{
    aKey.clear();
    aValue.clear();
    aIsNegative = false;
    if (!aRowItem || !aRowItem->List || !FSortColumn) return;
    TMoxGridCell* grid = aRowItem->List->OwnerCell;
    const int row = aRowItem->ListIndex();
    TqvGrid_Columns* columns = ColumnsOfGridCell(grid);
    TqvGrid_Column* kindColumn = columns ? columns->GetColumn(FSortColumn->GetIndex()) : nullptr;
    TMoxCell* cell = grid->getCell(FSortColumn->GetIndex() + grid->GetFixedCols(), row);
    if (cell && kindColumn && cell->CellType() == moxCellTypeSimple) {
        switch (kindColumn->GetKind()) {
        case tckSimpleEdit:
        case tckMemo:
        case tckBool:
        case tckCombo:
        case tckTime:
            aKey = GetText(cell);
            break;
        case tckDate:
            aKey = GetText(cell);
            if (auto known = FDateKeys.constFind(aKey); FSorting && known != FDateKeys.constEnd()) {
                aKey = known.value();
            } else if (!aKey.isEmpty()) {
                const QString text = aKey;
                try {
                    int year = 0, month = 0, day = 0;
                    DecodeDate(SafeStrToDate(aKey), year, month, day);
                    aKey = QStringLiteral("%1-%2-%3")
                               .arg(year, 4, 10, QLatin1Char('0'))
                               .arg(month, 2, 10, QLatin1Char('0'))
                               .arg(day, 2, 10, QLatin1Char('0'));
                } catch (const std::exception&) {
                    // A text that is no date sorts as it is.
                }
                // Many rows share a day: each text is read once per sort.
                if (FSorting) FDateKeys.insert(text, aKey);
            }
            break;
        case tckSubGrid:
        case tckSubTree:
            break;
        }
    }
    UpperAscii(aKey);
    aValue = aKey;
    if (!aWithKey) {
        aKey.clear();
        return;
    }
    if (FSortColumn->GetNumericSort()) {
        aIsNegative = aKey.startsWith(QLatin1Char('-'));
        if (aIsNegative) aKey.remove(0, 1);
        aKey = (QString(kNumberWidth, QLatin1Char('0')) + aKey).right(kNumberWidth);
        aKey.prepend(aIsNegative ? QLatin1Char('A') : QLatin1Char('B'));
    }
    aKey += QStringLiteral("###") +
            (QString(kIndexWidth - 1, QLatin1Char('0')) + QString::number(row)).right(kIndexWidth);
}

void TqvGrid::GetSortString(TAxisContentItem* aRowItem, bool& aIsNegative, QString& aKey)
{
    if (FSortValueCache.Row == aRowItem && aRowItem) {
        // MakeSortKey built this row's key a moment ago.
        aIsNegative = FSortValueCache.Negative;
        aKey = FSortValueCache.Key;
    } else {
        QString value;
        SortValue(aRowItem, value, aIsNegative, aKey);
    }
    if (!aRowItem || !aRowItem->List || !FSortColumn || !OnGetUserSortCompareString) return;
    TMoxGridCell* grid = aRowItem->List->OwnerCell;
    TMoxCell* cell = grid->getCell(FSortColumn->GetIndex() + grid->GetFixedCols(), aRowItem->ListIndex());
    OnGetUserSortCompareString(this, FSortColumn, cell, aKey);
}

TqvGrid::TSortKey TqvGrid::MakeSortKey(TAxisContentItem* aRowItem)
{
    TSortKey key;
    key.Index = aRowItem ? aRowItem->ListIndex() : 0;
    bool negative = false;
    QString built;
    // The full key matters only when the application or a descendant can
    // replace it; then a replaced key is compared whole.
    const bool replaceable = OnGetUserSortCompareString || typeid(*this) != typeid(TqvGrid);
    SortValue(aRowItem, key.Value, negative, built, replaceable);
    if (replaceable) {
        FSortValueCache = {aRowItem, negative, built};
        const auto forget = qScopeGuard([this] { FSortValueCache = {}; });
        GetSortString(aRowItem, key.Negative, key.Full);
        key.Custom = key.Full != built || key.Negative != negative;
    }
    if (!key.Custom && FSortColumn && FSortColumn->GetNumericSort()) {
        bool sign = false;
        key.Exact = SplitDecimal(key.Value, sign, key.Integer, key.Fraction);
        key.Parsed = key.Exact || ParseNumber(key.Value, key.Number);
        key.Negative = sign;
    }
    return key;
}

namespace
{
template <class K> double ExactValue(const K& aKey)
{
    QString text = aKey.Integer.isEmpty() ? QStringLiteral("0") : aKey.Integer;
    if (!aKey.Fraction.isEmpty()) text += QLatin1Char('.') + aKey.Fraction;
    const double magnitude = text.toDouble();
    return aKey.Negative ? -magnitude : magnitude;
}
} // namespace

int TqvGrid::CompareSortKeys(const TSortKey& a, const TSortKey& b) const
{
    int r;
    if (a.Custom || b.Custom) {
        r = Ordinal(a.Full, b.Full);
        if (FSortDescending) r = -r;
        if (a.Negative && b.Negative) r = -r;
    } else {
        if (a.Exact && b.Exact)
            r = CompareDecimal(a.Negative, a.Integer, a.Fraction, b.Negative, b.Integer, b.Fraction);
        else if (a.Parsed && b.Parsed) {
            const double x = a.Exact ? ExactValue(a) : a.Number;
            const double y = b.Exact ? ExactValue(b) : b.Number;
            r = (x > y) - (x < y);
        } else if (a.Parsed != b.Parsed)
            r = a.Parsed ? -1 : 1; // numbers before other texts
        else
            r = Ordinal(a.Value, b.Value);
        if (FSortDescending) r = -r;
    }
    // Equal values keep their order in both directions.
    if (r == 0) r = (a.Index > b.Index) - (a.Index < b.Index);
    return r;
}

void TqvGrid::InternalSortList(std::vector<TAxisContentItem*>& aList)
{
    bool doDefault = true;
    OnUserSort(this, FSortColumn, aList, doDefault);
    if (!doDefault || !FSortColumn) return;
    std::vector<TSortKey> keys;
    keys.reserve(aList.size());
    for (TAxisContentItem* item : aList)
        keys.push_back(MakeSortKey(item));
    std::vector<int> order(aList.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int i, int j) {
        return CompareSortKeys(keys[static_cast<size_t>(i)], keys[static_cast<size_t>(j)]) < 0;
    });
    std::vector<TAxisContentItem*> sorted;
    sorted.reserve(aList.size());
    for (int i : order)
        sorted.push_back(aList[static_cast<size_t>(i)]);
    aList = std::move(sorted);
}

// ---------------------------------------------------------------------------
// Applying the order

void TqvGrid::DoInternalResortOfContent()
{
    if (!FSortColumn) return;
    const QScopedValueRollback sorting(FSorting, true);
    const auto forgetDates = qScopeGuard([this] { FDateKeys.clear(); });
    EnsureFixed();
    if (TqvGridTree* tree = GetTree())
        SortTree(tree);
    else
        SortRowsOfCell(GetRootCell());
    Invalidate();
    Q_ASSERT(CheckInvariants());
}

void TqvGrid::SortRowsOfCell(TMoxGridCell* aGridCell)
{
    TAxisContentList* rows = aGridCell->RowList.get();
    LoadEveryItem(rows);
    std::vector<TAxisContentItem*> list;
    for (int p = std::min(rows->FixedCount, rows->LoadedCount()); p < rows->LoadedCount(); ++p)
        list.push_back(rows->getLoadedAxisContentItem(p));
    InternalSortList(list);
    // One permutation; a list the application's handler broke is refused whole.
    rows->Reorder(list);
}

bool TqvGrid::SortTree(TqvGridTree* aTree)
{
    TMoxGridCell* grid = aTree->GridCell;
    if (!grid) return false;
    TAxisContentList* rows = grid->RowList.get();
    LoadEveryItem(rows);
    // The lists of siblings, root first then depth first; every one must be
    // loaded whole and every node must have its row, or nothing is sorted.
    std::vector<TqvDataList*> lists;
    int nodes = 0;
    std::vector<TqvDataList*> pending{aTree->GetRootDataList()};
    while (!pending.empty()) {
        TqvDataList* list = pending.back();
        pending.pop_back();
        if (list->LoadedCount() != list->Count()) return false;
        lists.push_back(list);
        for (int p = list->LoadedCount() - 1; p >= 0; --p) {
            TqvDataEntity_GridTreeNode* node = NodeAt(list, p);
            if (!node || !node->Row || node->Row->List != rows) return false;
            ++nodes;
            if (node->SubDataList) pending.push_back(node->SubDataList);
        }
    }
    if (nodes != rows->LoadedCount() - std::min(rows->FixedCount, rows->LoadedCount())) return false;

    // Each list of siblings is sorted by its rows' keys, and the nodes take that order.
    TqvListController* controller = aTree->GetController();
    for (TqvDataList* list : lists) {
        std::vector<TAxisContentItem*> items;
        items.reserve(static_cast<size_t>(list->LoadedCount()));
        for (int p = 0; p < list->LoadedCount(); ++p)
            items.push_back(NodeAt(list, p)->Row);
        const std::vector<TAxisContentItem*> before = items;
        InternalSortList(items);
        if (items == before) continue;
        std::unordered_map<const TqvDataEntity*, int> rank;
        for (size_t i = 0; i < items.size(); ++i) {
            TqvDataEntity_GridTreeNode* node = TqvGridTree::NodeOfRow(items[i]);
            if (!node || node->GetDataList() != list || !rank.emplace(node, static_cast<int>(i)).second)
                throw Exception(QStringLiteral("The sorted rows are not the rows of one list of siblings"));
        }
        if (rank.size() != static_cast<size_t>(list->LoadedCount()))
            throw Exception(QStringLiteral("The sorted rows are not the rows of one list of siblings"));
        const QScopedValueRollback compare(controller->OnSortCompare,
                                           TOnEntityCompare([&rank](TqvDataEntity* a, TqvDataEntity* b) {
                                               const int ra = rank.at(a);
                                               const int rb = rank.at(b);
                                               return (ra > rb) - (ra < rb);
                                           }));
        list->Sort();
    }

    // The rows follow the nodes depth first.
    std::vector<TAxisContentItem*> order;
    order.reserve(static_cast<size_t>(nodes));
    std::vector<std::pair<TqvDataList*, int>> stack{{aTree->GetRootDataList(), 0}};
    while (!stack.empty()) {
        auto& [list, p] = stack.back();
        if (p >= list->LoadedCount()) {
            stack.pop_back();
            continue;
        }
        TqvDataEntity_GridTreeNode* node = NodeAt(list, p++);
        order.push_back(node->Row);
        if (node->SubDataList && node->SubDataList->LoadedCount() > 0)
            stack.emplace_back(node->SubDataList, 0);
    }
    rows->Reorder(order);
    return true;
}

} // namespace skedra
