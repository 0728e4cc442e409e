#pragma once
// The draw grid: a grid of cells that the application draws (OnDrawCell),
// with fixed columns and rows that never scroll, per-column widths and per-row
// heights, a top row (the first scrolled row shown), 1-pixel grid lines after
// every cell, and row and column sizing with the mouse at the fixed cells'
// borders. It scrolls only through TopRow; it shows no scroll bars.
//
// A row of height 0 still takes its grid line; rows before TopRow take no room.

#include <vector>

#include "skedra/platform/Controls.h"

namespace skedra
{

enum TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};
using TGridOptions = TSet<TGridOption>;

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

using TDrawCellEvent = TMethod<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;

class TDrawGrid : public TCustomControl
{
public:
    explicit TDrawGrid(QWidget* aParent = nullptr);

    int GetColCount() const { return static_cast<int>(FColWidths.size()); }
    // New columns take DefaultColWidth; at least 1, and more than FixedCols.
    void SetColCount(int aValue);
    int GetRowCount() const { return static_cast<int>(FRowHeights.size()); }
    // New rows take DefaultRowHeight (appended or removed at the end); at least 1.
    void SetRowCount(int aValue);
    int GetFixedCols() const { return FFixedCols; }
    // 0 .. ColCount - 1; EInvalidOperation "Fixed column count must be less than column count" otherwise.
    void SetFixedCols(int aValue);
    int GetFixedRows() const { return FFixedRows; }
    void SetFixedRows(int aValue);

    int GetDefaultColWidth() const { return FDefaultColWidth; }
    // Every column takes the new default width.
    void SetDefaultColWidth(int aValue);
    int GetDefaultRowHeight() const { return FDefaultRowHeight; }
    // Every row takes the new default height.
    void SetDefaultRowHeight(int aValue);
    // 0 outside the columns / rows; setting outside does nothing; negative sizes become 0.
    int GetColWidths(int anIndex) const;
    void SetColWidths(int anIndex, int aValue);
    int GetRowHeights(int anIndex) const;
    void SetRowHeights(int anIndex, int aValue);
    // Inserts a row at anIndex (0..RowCount) with the default height, or
    // deletes the row at anIndex: every other row keeps its height.
    void InsertRow(int anIndex);
    void DeleteRow(int anIndex);

    // The first scrolled row shown: FixedRows .. RowCount - 1 (clamped).
    int GetTopRow() const { return FTopRow; }
    void SetTopRow(int aValue);
    int GetLeftCol() const { return FFixedCols; }

    int GetGridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int aValue);
    TGridOptions GetOptions() const { return FOptions; }
    void SetOptions(const TGridOptions& aValue);
    bool GetDefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool aValue) { FDefaultDrawing = aValue; }
    TColor GetFixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor aValue);
    // Kept for the form designer; the grid shows no scroll bars.
    TScrollStyle GetScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle aValue) { FScrollBars = aValue; }
    // Per-column tab stops (true by default); false outside the columns.
    bool GetTabStops(int anIndex) const;
    void SetTabStops(int anIndex, bool aValue);

    // The cell's rectangle in client coordinates; empty (all 0) when the cell
    // is not shown.
    TRect CellRect(int ACol, int ARow) const;
    // The cell at a client point; -1, -1 outside every shown cell.
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;

    // The row whose height the user is changing or last changed with the
    // mouse; -1 when none.
    int GetSizingRow() const { return FSizingRow; }
    int GetSizingCol() const { return FSizingCol; }

    TDrawCellEvent OnDrawCell;
    TNotifyEvent OnTopLeftChanged;

protected:
    // Draws one cell after its background (the default raises OnDrawCell).
    virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    // After a change of a row height or column width (by the user or the program).
    virtual void RowHeightsChanged() {}
    virtual void ColWidthsChanged() {}
    virtual void TopLeftChanged();

    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    // The shown columns and rows in drawing order with their start pixel.
    template <class F> void ForShownCols(F&& f) const;
    template <class F> void ForShownRows(F&& f) const;
    // The row (column) whose far grid line lies within 2 pixels of Y (X), or -1.
    int RowBorderAt(int Y) const;
    int ColBorderAt(int X) const;

    std::vector<int> FColWidths;
    std::vector<int> FRowHeights;
    std::vector<bool> FTabStops;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FTopRow = 1;
    int FGridLineWidth = 1;
    TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine};
    bool FDefaultDrawing = true;
    TColor FFixedColor = clBtnFace;
    TScrollStyle FScrollBars = ssBoth;
    int FSizingRow = -1;
    int FSizingCol = -1;
    bool FSizing = false;
    int FSizingStart = 0; // the sized cell's first pixel
};

} // namespace skedra
