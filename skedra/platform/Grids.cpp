#include "skedra/platform/Grids.h"

#include <algorithm>

namespace skedra
{

TDrawGrid::TDrawGrid(QWidget* aParent) : TCustomControl(aParent)
{
    FColWidths.assign(5, FDefaultColWidth);
    FRowHeights.assign(5, FDefaultRowHeight);
    FTabStops.assign(5, true);
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(GetLeft(), GetTop(), 320, 120);
}

void TDrawGrid::SetColCount(int aValue)
{
    aValue = std::max({1, aValue, FFixedCols + 1});
    if (aValue == GetColCount()) return;
    FColWidths.resize(static_cast<size_t>(aValue), FDefaultColWidth);
    FTabStops.resize(static_cast<size_t>(aValue), true);
    Invalidate();
}

void TDrawGrid::SetRowCount(int aValue)
{
    aValue = std::max({1, aValue, FFixedRows});
    if (aValue == GetRowCount()) return;
    FRowHeights.resize(static_cast<size_t>(aValue), FDefaultRowHeight);
    if (FTopRow >= aValue) SetTopRow(aValue - 1);
    Invalidate();
}

void TDrawGrid::SetFixedCols(int aValue)
{
    if (aValue < 0 || aValue >= GetColCount())
        throw EInvalidOperation(QStringLiteral("Fixed column count must be less than column count"));
    FFixedCols = aValue;
    Invalidate();
}

void TDrawGrid::SetFixedRows(int aValue)
{
    if (aValue < 0 || aValue >= GetRowCount())
        throw EInvalidOperation(QStringLiteral("Fixed row count must be less than row count"));
    FFixedRows = aValue;
    if (FTopRow < FFixedRows) SetTopRow(FFixedRows);
    Invalidate();
}

void TDrawGrid::SetDefaultColWidth(int aValue)
{
    FDefaultColWidth = std::max(0, aValue);
    std::fill(FColWidths.begin(), FColWidths.end(), FDefaultColWidth);
    ColWidthsChanged();
    Invalidate();
}

void TDrawGrid::SetDefaultRowHeight(int aValue)
{
    FDefaultRowHeight = std::max(0, aValue);
    std::fill(FRowHeights.begin(), FRowHeights.end(), FDefaultRowHeight);
    RowHeightsChanged();
    Invalidate();
}

int TDrawGrid::GetColWidths(int anIndex) const
{
    return anIndex >= 0 && anIndex < GetColCount() ? FColWidths[static_cast<size_t>(anIndex)] : 0;
}

void TDrawGrid::SetColWidths(int anIndex, int aValue)
{
    if (anIndex < 0 || anIndex >= GetColCount()) return;
    aValue = std::max(0, aValue);
    if (FColWidths[static_cast<size_t>(anIndex)] == aValue) return;
    FColWidths[static_cast<size_t>(anIndex)] = aValue;
    ColWidthsChanged();
    Invalidate();
}

int TDrawGrid::GetRowHeights(int anIndex) const
{
    return anIndex >= 0 && anIndex < GetRowCount() ? FRowHeights[static_cast<size_t>(anIndex)] : 0;
}

void TDrawGrid::SetRowHeights(int anIndex, int aValue)
{
    if (anIndex < 0 || anIndex >= GetRowCount()) return;
    aValue = std::max(0, aValue);
    if (FRowHeights[static_cast<size_t>(anIndex)] == aValue) return;
    FRowHeights[static_cast<size_t>(anIndex)] = aValue;
    RowHeightsChanged();
    Invalidate();
}

void TDrawGrid::InsertRow(int anIndex)
{
    if (anIndex < 0 || anIndex > GetRowCount()) throw EListError::IndexOutOfBounds(anIndex);
    FRowHeights.insert(FRowHeights.begin() + anIndex, FDefaultRowHeight);
    Invalidate();
}

void TDrawGrid::DeleteRow(int anIndex)
{
    if (anIndex < 0 || anIndex >= GetRowCount()) throw EListError::IndexOutOfBounds(anIndex);
    if (GetRowCount() == 1) {
        FRowHeights[0] = FDefaultRowHeight; // a grid keeps one row
    } else {
        FRowHeights.erase(FRowHeights.begin() + anIndex);
        if (FTopRow >= GetRowCount()) SetTopRow(GetRowCount() - 1);
    }
    Invalidate();
}

void TDrawGrid::SetTopRow(int aValue)
{
    aValue = std::clamp(aValue, FFixedRows, std::max(FFixedRows, GetRowCount() - 1));
    if (aValue == FTopRow) return;
    FTopRow = aValue;
    Invalidate();
    TopLeftChanged();
}

void TDrawGrid::TopLeftChanged()
{
    OnTopLeftChanged(this);
}

void TDrawGrid::SetGridLineWidth(int aValue)
{
    FGridLineWidth = std::max(0, aValue);
    Invalidate();
}

void TDrawGrid::SetOptions(const TGridOptions& aValue)
{
    FOptions = aValue;
    Invalidate();
}

void TDrawGrid::SetFixedColor(TColor aValue)
{
    FFixedColor = aValue;
    Invalidate();
}

bool TDrawGrid::GetTabStops(int anIndex) const
{
    return anIndex >= 0 && anIndex < GetColCount() && FTabStops[static_cast<size_t>(anIndex)];
}

void TDrawGrid::SetTabStops(int anIndex, bool aValue)
{
    if (anIndex >= 0 && anIndex < GetColCount()) FTabStops[static_cast<size_t>(anIndex)] = aValue;
}

template <class F> void TDrawGrid::ForShownCols(F&& f) const
{
    const int limit = GetClientWidth();
    int x = 0;
    for (int c = 0; c < GetColCount() && x < limit; ++c) {
        if (c >= FFixedCols && c < GetLeftCol()) continue;
        const int w = FColWidths[static_cast<size_t>(c)];
        if (!f(c, x, w)) return;
        x += w + FGridLineWidth;
    }
}

template <class F> void TDrawGrid::ForShownRows(F&& f) const
{
    const int limit = GetClientHeight();
    int y = 0;
    for (int r = 0; r < GetRowCount() && y < limit; ++r) {
        if (r >= FFixedRows && r < FTopRow) {
            r = FTopRow - 1; // rows before the top row take no room
            continue;
        }
        const int h = FRowHeights[static_cast<size_t>(r)];
        if (!f(r, y, h)) return;
        y += h + FGridLineWidth;
    }
}

TRect TDrawGrid::CellRect(int ACol, int ARow) const
{
    int left = -1, width = 0, top = -1, height = 0;
    ForShownCols([&](int c, int x, int w) {
        if (c != ACol) return true;
        left = x;
        width = w;
        return false;
    });
    ForShownRows([&](int r, int y, int h) {
        if (r != ARow) return true;
        top = y;
        height = h;
        return false;
    });
    if (left < 0 || top < 0) return TRect();
    return TRect(left, top, left + width, top + height);
}

void TDrawGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const
{
    ACol = -1;
    ARow = -1;
    ForShownCols([&](int c, int x, int w) {
        if (X < x || X >= x + w + FGridLineWidth) return true;
        ACol = c;
        return false;
    });
    ForShownRows([&](int r, int y, int h) {
        if (Y < y || Y >= y + h + FGridLineWidth) return true;
        ARow = r;
        return false;
    });
    if (ACol < 0 || ARow < 0) ACol = ARow = -1;
}

void TDrawGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    OnDrawCell(this, ACol, ARow, ARect, AState);
}

void TDrawGrid::Paint()
{
    TCanvas* canvas = GetCanvas();
    canvas->Brush.SetStyle(bsSolid);
    canvas->Brush.SetColor(GetColor());
    canvas->FillRect(GetClientRect());
    ForShownRows([&](int r, int y, int h) {
        ForShownCols([&](int c, int x, int w) {
            const bool fixed = c < FFixedCols || r < FFixedRows;
            const TRect cell(x, y, x + w, y + h);
            const bool vertLine =
                FGridLineWidth > 0 && FOptions.Contains(fixed ? goFixedVertLine : goVertLine);
            const bool horzLine =
                FGridLineWidth > 0 && FOptions.Contains(fixed ? goFixedHorzLine : goHorzLine);
            canvas->Brush.SetStyle(bsSolid);
            canvas->Brush.SetColor(fixed ? FFixedColor : GetColor());
            canvas->FillRect(TRect(x, y, x + w + FGridLineWidth, y + h + FGridLineWidth));
            canvas->Brush.SetColor(fixed ? clBlack : clSilver);
            if (vertLine) canvas->FillRect(TRect(x + w, y, x + w + FGridLineWidth, y + h + FGridLineWidth));
            if (horzLine) canvas->FillRect(TRect(x, y + h, x + w + FGridLineWidth, y + h + FGridLineWidth));
            if (w > 0 && h > 0) {
                canvas->Brush.SetColor(fixed ? FFixedColor : GetColor());
                canvas->Font.Assign(*GetFont());
                TGridDrawState state;
                if (fixed) state.Include(gdFixed);
                DrawCell(c, r, cell, state);
            }
            return true;
        });
        return true;
    });
}

int TDrawGrid::RowBorderAt(int Y) const
{
    int found = -1;
    ForShownRows([&](int r, int y, int h) {
        const int line = y + h;
        if (r >= FFixedRows && Y >= line - 2 && Y <= line + 2) found = r;
        return Y > line + 2;
    });
    return found;
}

int TDrawGrid::ColBorderAt(int X) const
{
    int found = -1;
    ForShownCols([&](int c, int x, int w) {
        const int line = x + w;
        if (c >= FFixedCols && X >= line - 2 && X <= line + 2) found = c;
        return X > line + 2;
    });
    return found;
}

void TDrawGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && !FSizing) {
        // Sizing starts at a border beside the fixed cells.
        if (FOptions.Contains(goRowSizing) && FFixedCols > 0 && X < GetColWidths(0) + FGridLineWidth) {
            const int r = RowBorderAt(Y);
            if (r >= 0) {
                FSizing = true;
                FSizingRow = r;
                FSizingCol = -1;
                FSizingStart = CellRect(0, r).Top;
            }
        } else if (FOptions.Contains(goColSizing) && FFixedRows > 0 && Y < GetRowHeights(0) + 1) {
            const int c = ColBorderAt(X);
            if (c >= 0) {
                FSizing = true;
                FSizingCol = c;
                FSizingRow = -1;
                FSizingStart = CellRect(c, 0).Left;
            }
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TDrawGrid::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FSizing) {
        if (FSizingRow >= 0)
            SetRowHeights(FSizingRow, Y - FSizingStart);
        else if (FSizingCol >= 0)
            SetColWidths(FSizingCol, X - FSizingStart);
    } else {
        TCursor cursor = crDefault;
        if (FOptions.Contains(goRowSizing) && FFixedCols > 0 && X < GetColWidths(0) + 1 &&
            RowBorderAt(Y) >= 0)
            cursor = crVSplit;
        else if (FOptions.Contains(goColSizing) && FFixedRows > 0 && Y < GetRowHeights(0) + 1 &&
                 ColBorderAt(X) >= 0)
            cursor = crHSplit;
        SetCursor(cursor);
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TDrawGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && FSizing) FSizing = false;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

} // namespace skedra
