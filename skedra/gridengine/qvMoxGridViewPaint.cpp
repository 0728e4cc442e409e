// Painting of the grid view's cells: header look, backgrounds and selection,
// text with its flags, check boxes, icons, tree buttons and lines, frame
// lines, focus rectangles and the sort symbol; height measurement of wrapping
// cells and print scaling of cell rectangles.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "skedra/foundation/GStuff.h"
#include "skedra/gridengine/qvMoxGridView.h"

namespace skedra
{

namespace
{
constexpr TRect kNoRect(-1, -1, -1, -1);
// Width of a tree button section and the indentation per tree level.
constexpr int kButtonWidth = 15;
constexpr int kInsetPerLevel = 15;

TRect Shrunk(const TRect& r)
{
    return TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
}

void Line(TCanvas* c, int x1, int y1, int x2, int y2)
{
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
}
} // namespace

TColor TMoxGridView_Custom::GetHighlightColor()
{
    if (GetIsPrinting()) return clWhite;
    return HasGridFocus() ? clHighlight : clBtnFace;
}

unsigned TMoxGridView_Custom::GetFlags(const TMoxCell* aCell)
{
    const TLayoutProp* layout = aCell ? aCell->Layout : nullptr;
    if (!layout) return DT_NOPREFIX;
    unsigned flags = layout->WindowsFlags | DT_NOPREFIX;
    if (layout->WrapTextAndFit) flags |= DT_WORDBREAK;
    if (layout->HorzAlignRight) flags |= DT_RIGHT;
    if (layout->HorzAlignCenter) flags |= DT_CENTER;
    if (layout->VertAlignCenter) flags |= DT_VCENTER;
    if (layout->EndEllipsis) flags |= DT_END_ELLIPSIS;
    return flags;
}

void TMoxGridView_Custom::SetRenderAttributes(TMoxCell* aCell, TMoxDrawStateSet aState, QString& aText,
                                              bool& aIsStringEdit, bool& aBoolean)
{
    TCanvas* c = GetOffscreenCanvas();
    PreDrawGetStringAndSetAttributes(aCell, aText, aIsStringEdit, aBoolean);
    TLayoutProp* layout = aCell->Layout;
    const bool simple = aCell->CellType() == moxCellTypeSimple;
    if (layout) {
        if (simple && (layout != FLastAppliedLayout || GetIsPrinting())) {
            if (layout->UseFontInfo) {
                c->Font.SetName(layout->FontName);
                c->Font.SetSize(layout->FontSize);
                c->Font.SetStyle(layout->FontStyle);
            } else {
                c->Font.Assign(*GetFont());
            }
            if (GetIsPrinting()) PrintResizeFont();
        }
        if (simple) c->Font.SetColor(layout->FontColor);
        c->Pen.SetColor(layout->FrontColor);
        c->Brush.SetColor(layout->BackColor);
    } else {
        // A cell without a layout uses the control's font, also after a cell
        // whose layout brought its own.
        if (FLastAppliedLayout && FLastAppliedLayout->UseFontInfo) {
            c->Font.Assign(*GetFont());
            if (GetIsPrinting()) PrintResizeFont();
        }
        c->Pen.SetColor(clBlack);
        c->Font.SetColor(clBlack);
        c->Brush.SetColor(aState.Contains(moxFixed) ? clBtnFace : clWindow);
    }
    c->Brush.SetStyle(bsSolid);
    FLastAppliedLayout = layout;
    PostDrawGetStringAndSetAttributes(aCell, aText, aIsStringEdit, aBoolean);
}

void TMoxGridView_Custom::DivideTheRectIntoSections(TMoxCell* aCell, TMoxDrawStateSet aState,
                                                    TRect& aTextRect, TRect& aIconRect, TRect& aButtonRect,
                                                    const TRect& aRect, bool aDraw)
{
    aIconRect = kNoRect;
    aButtonRect = kNoRect;
    TRect rest = aRect;
    if (!aState.Contains(moxFixed) && OnCellHasButton && OnCellHasButton(this, aCell) && !GetIsPrinting()) {
        if (aDraw) FButtonCells.push_back(aCell);
        aButtonRect = TRect(rest.Left, rest.Top, std::min(rest.Left + kButtonWidth, rest.Right), rest.Bottom);
        rest.Left = std::min(rest.Left + kButtonWidth + 1, rest.Right);
    }
    if (FImageList && CellHasIcon(aCell)) {
        int width = FImageList->GetWidth();
        if (GetIsPrinting()) width = static_cast<int>(std::nearbyint(width * GetPrintScalex()));
        aIconRect = TRect(rest.Left, rest.Top, std::min(rest.Left + width, rest.Right), rest.Bottom);
        rest.Left = std::min(rest.Left + width + 1, rest.Right);
        if (aDraw) {
            TCanvas* c = GetOffscreenCanvas();
            if (GetIsPrinting()) {
                const int side = aIconRect.Width();
                PrintBitmap_ImageList(c, Bounds(aIconRect.Left, aIconRect.Top, side, side), FImageList,
                                      CellIconIndex(aCell));
            } else {
                FImageList->Draw(c, aIconRect.Left, aIconRect.Top, CellIconIndex(aCell));
            }
        }
    }
    aTextRect = Shrunk(rest);
}

void TMoxGridView_Custom::OnDrawMoxCell(TRect aRect, TMoxCell* aCell, TMoxDrawStateSet aState)
{
    if (GetIsPrinting() && !GetAssignedPrintingCanvas()) return;
    TCanvas* c = GetOffscreenCanvas();
    const TRect R0 = aRect;
    const TRect R = Shrunk(R0);
    const bool fixed = aState.Contains(moxFixed);
    const bool selected = aState.Contains(moxSelected);
    const bool printing = GetIsPrinting();

    if (fixed) {
        // A raised header: highlight on the top and left, shadow on the bottom and right.
        c->Brush.SetColor(aCell->Layout ? aCell->Layout->BackColor : clBtnFace);
        c->Brush.SetStyle(bsSolid);
        c->FillRect(R0);
        c->Pen.SetColor(clBtnHighlight);
        c->MoveTo(R.Right, R.Top);
        c->LineTo(R.Left, R.Top);
        c->LineTo(R.Left, R.Bottom);
        c->Pen.SetColor(clBtnShadow);
        c->LineTo(R.Right, R.Bottom);
        c->LineTo(R.Right, R.Top);
    }

    TRect textRect = Shrunk(R);
    if (aCell->CellType() == moxCellTypeSimple) {
        const TRect vr = aCell->VisibleRect;
        const TRect T(vr.Left + 1, vr.Top + 1, vr.Right, vr.Bottom + 1);
        QString text;
        bool isStringEdit = true;
        bool checked = false;
        SetRenderAttributes(aCell, aState, text, isStringEdit, checked);
        if (!selected || fixed || printing) {
            if (!fixed) {
                TRect t = T;
                if (aCell->ParentCell != FRootCell.get()) t.Top -= 1;
                c->FillRect(t);
            }
        } else {
            c->FillRect(T);
            const TColor highlight = GetHighlightColor();
            c->Brush.SetColor(highlight);
            if (highlight == clHighlight) c->Font.SetColor(clHighlightText);
            c->FillRect(TRect(T.Left, T.Top - 1, T.Right, T.Bottom - 1));
        }
        TRect iconRect;
        TRect buttonRect;
        DivideTheRectIntoSections(aCell, aState, textRect, iconRect, buttonRect, R, true);
        bool defaultDraw = true;
        OnUserRenderCell(this, c, aCell, text, checked, isStringEdit, aState, textRect, defaultDraw);
        if (defaultDraw) {
            if (isStringEdit)
                DrawCellText(c, text, textRect, GetFlags(aCell));
            else
                DrawCheckBox(c, textRect, checked);
        }
        if (aCell == FSortCell) DrawSortingSymbol(aCell, FSortDescending, R0);
    } else {
        auto* grid = static_cast<TMoxGridCell*>(aCell);
        const TRect vr = aCell->VisibleRect;
        if (aCell->Layout) {
            c->Brush.SetColor(aCell->Layout->BackColor);
            c->Brush.SetStyle(bsSolid);
            c->FillRect(TRect(vr.Left, vr.Top + 1, vr.Right, vr.Bottom));
        }
        if (selected && !fixed) {
            // A nested grid with content keeps its background: its own cells show the selection.
            const bool hasContent = grid->ColumnList->Count() > 0 && grid->RowList->Count() > 0;
            if (!hasContent || !aCell->ParentCell) c->Brush.SetColor(GetHighlightColor());
            c->FillRect(TRect(R.Left, R.Top, R.Right + 1, R.Bottom + 1));
        }
    }

    DoLines(R0, aCell, aState);

    if (HasGridFocus() && aState.Contains(moxFocused) && aCell != FRootCell.get() && !printing &&
        FFocusRect_Cell) {
        if (aCell->CellType() == moxCellTypeSimple)
            DrawFocusRect(c, textRect.Inflate(2, 2));
        else
            DrawFocusRect(c, TRect(R.Left, R.Top, R.Right + 1, R.Bottom + 1));
    }
}

void TMoxGridView_Custom::DrawCellText(TCanvas* aCanvas, const QString& aText, const TRect& aRect,
                                       unsigned aFlags)
{
    // Shaping a text is most of its cost; a one-line text without breaking,
    // ellipsis or prefix is drawn from the cache. The cell's background is
    // filled already in the brush colour, so the text needs no background.
    constexpr unsigned kLaidOutByDrawText =
        DT_WORDBREAK | DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS | DT_EXPANDTABS | DT_SINGLELINE;
    const bool plain = !(aFlags & kLaidOutByDrawText) && (aFlags & DT_NOPREFIX) &&
                       !aText.contains(QLatin1Char('\n')) && !aText.contains(QLatin1Char('\r')) &&
                       aCanvas->Font.GetOrientation() == 0;
    if (!plain || aRect.IsEmpty()) {
        DrawText(aCanvas, aText, aRect, aFlags);
        return;
    }
    if (aText.isEmpty()) return;
    int x = aRect.Left;
    if (aFlags & (DT_CENTER | DT_RIGHT)) {
        const int width = FTextCache.TextWidth(aCanvas, aText);
        x = (aFlags & DT_CENTER) ? aRect.Left + (aRect.Width() - width) / 2 : aRect.Right - width;
    }
    const TBrushStyle style = aCanvas->Brush.GetStyle();
    aCanvas->Brush.SetStyle(bsClear);
    FTextCache.TextRect(aCanvas, aRect, x, aRect.Top, aText);
    aCanvas->Brush.SetStyle(style);
}

// ---------------------------------------------------------------------------
// Lines

void TMoxGridView_Custom::DoLines(const TRect& aRect, TMoxCell* aCell, TMoxDrawStateSet aState)
{
    if (aState.Contains(moxFixed)) return;
    if (aCell->Layout && aCell->Layout->FrameOptionsUse)
        DrawLayoutLines(aRect, aCell);
    else
        DrawDefaultLines(aRect, aCell);
    // A cell of a nested grid may have painted over the grid's own lines.
    TMoxGridCell* parent = aCell->ParentCell;
    if (parent && parent != FRootCell.get() && parent->VisibleRect.Left >= 0) {
        const TRect parentRect = parent->getVisibleRect();
        if (parent->Layout && parent->Layout->FrameOptionsUse)
            DrawLayoutLines(parentRect, parent);
        else
            DrawDefaultLines(parentRect, parent);
    }
}

void TMoxGridView_Custom::DrawDefaultLines(const TRect& aRect, TMoxCell* aCell)
{
    TCanvas* c = GetOffscreenCanvas();
    c->Pen.SetColor(clBtnFace);
    c->Pen.SetStyle(psSolid);
    c->Pen.SetWidth(1);
    if (aCell->CellType() == moxCellTypeSimple) {
        Line(c, aRect.Right, aRect.Top, aRect.Right, aRect.Bottom);
    } else {
        c->MoveTo(aRect.Left, aRect.Top);
        c->LineTo(aRect.Left, aRect.Bottom - 1);
        c->LineTo(aRect.Right, aRect.Bottom - 1);
        c->LineTo(aRect.Right, aRect.Top);
    }
}

void TMoxGridView_Custom::DrawLayoutLines(TRect aRect, TMoxCell* aCell)
{
    TCanvas* c = GetOffscreenCanvas();
    TLayoutProp* layout = aCell->Layout;
    if (aCell->CellType() == moxCellTypeSimple) {
        TRect textRect;
        TRect iconRect;
        TRect buttonRect;
        DivideTheRectIntoSections(aCell, TMoxDrawStateSet(), textRect, iconRect, buttonRect, aRect, false);
        aRect = textRect.Inflate(1, 1);
    }
    struct TLine {
        TFrameOption Option;
        TPoint Start;
        TPoint Stop;
    };
    const TLine lines[] = {
        {foLeft, TPoint(aRect.Left, aRect.Top), TPoint(aRect.Left, aRect.Bottom)},
        {foRight, TPoint(aRect.Right, aRect.Top), TPoint(aRect.Right, aRect.Bottom)},
        {foTop, TPoint(aRect.Left, aRect.Top), TPoint(aRect.Right, aRect.Top)},
        {foBottom, TPoint(aRect.Left, aRect.Bottom), TPoint(aRect.Right, aRect.Bottom)},
    };
    for (const TLine& line : lines) {
        if (!layout->FrameOptions.Contains(line.Option)) continue;
        c->Pen.SetColor(layout->FrameColor);
        bool doDefault = true;
        if (layout->OnFrameLineDraw)
            layout->OnFrameLineDraw(layout, line.Option, aCell, aRect, line.Start, line.Stop, doDefault, c);
        if (!doDefault) continue;
        Line(c, line.Start.X, line.Start.Y, line.Stop.X, line.Stop.Y);
        if (layout->FrameKind == fk3d) {
            // The second line sits one pixel left (vertical) or up (horizontal)
            // in the colour's value plus a quarter of it.
            const bool vertical = line.Option == foLeft || line.Option == foRight;
            const int dx = vertical ? -1 : 0;
            const int dy = vertical ? 0 : -1;
            const double value = static_cast<double>(ColorToRGB(c->Pen.GetColor()) & 0xFFFFFFu);
            c->Pen.SetColor(static_cast<TColor>(
                static_cast<std::uint32_t>(value + std::nearbyint(value / 4)) & 0xFFFFFFu));
            Line(c, line.Start.X + dx, line.Start.Y + dy, line.Stop.X + dx, line.Stop.Y + dy);
        }
    }
}

void TMoxGridView_Custom::DrawFocusRect(TCanvas* aCanvas, const TRect& aRect)
{
    aCanvas->Brush.SetColor(clBtnHighlight);
    aCanvas->Brush.SetStyle(bsSolid);
    aCanvas->Font.SetColor(clBlack);
    aCanvas->DrawFocusRect(aRect);
}

// ---------------------------------------------------------------------------
// Check box and sort symbol

void TMoxGridView_Custom::DrawCheckBox(TCanvas* aCanvas, const TRect& aRect, bool aChecked)
{
    TCanvas* c = aCanvas;
    c->FillRect(aRect);
    const int bx = aRect.Left + 1;
    const int by = aRect.Top + 3;
    const TColor brush = c->Brush.GetColor();
    c->Brush.SetColor(clWindow);
    c->FillRect(TRect(bx, by, aRect.Left + 12, aRect.Top + 14));
    c->Brush.SetColor(brush);
    c->Pen.SetWidth(1);
    c->Pen.SetStyle(psSolid);
    c->Pen.SetColor(cl3DDkShadow);
    c->MoveTo(bx + 11, by);
    c->LineTo(bx, by);
    c->LineTo(bx, by + 11);
    c->Pen.SetColor(cl3DLight);
    c->LineTo(bx + 11, by + 11);
    c->LineTo(bx + 11, by);
    c->Pen.SetColor(cl3DDkShadow);
    c->MoveTo(bx + 10, by + 1);
    c->LineTo(bx + 1, by + 1);
    c->LineTo(bx + 1, by + 11);
    if (aChecked) {
        const int x = aRect.Left;
        const int y = aRect.Top;
        c->Pen.SetColor(clBlack);
        Line(c, x + 4, y + 8, x + 8, y + 12);
        Line(c, x + 4, y + 9, x + 7, y + 12);
        Line(c, x + 4, y + 10, x + 7, y + 13);
        for (int i = 0; i <= 2; ++i)
            Line(c, x + 10, y + 6 + i, x + 6, y + 10 + i);
    }
}

void TMoxGridView_Custom::DrawSortingSymbol(TMoxCell*, bool aDescending, const TRect& aRect)
{
    TCanvas* c = GetOffscreenCanvas();
    const int m = aRect.Top + (aRect.Bottom - aRect.Top) / 2;
    const int r = aRect.Right;
    c->Pen.SetWidth(1);
    c->Pen.SetStyle(psSolid);
    if (aDescending) {
        c->Pen.SetColor(cl3DDkShadow);
        c->MoveTo(r - 3, m - 3);
        c->LineTo(r - 10, m - 3);
        c->LineTo(r - 7, m + 3);
        c->Pen.SetColor(clWhite);
        c->MoveTo(r - 6, m + 3);
        c->LineTo(r - 3, m - 3);
    } else {
        c->Pen.SetColor(clWhite);
        c->MoveTo(r - 10, m + 3);
        c->LineTo(r - 3, m + 3);
        c->LineTo(r - 6, m - 3);
        c->Pen.SetColor(cl3DDkShadow);
        c->MoveTo(r - 7, m - 3);
        c->LineTo(r - 10, m + 3);
    }
}

// ---------------------------------------------------------------------------
// Tree buttons and lines

TRect TMoxGridView_Custom::ButtonRectOf(TMoxCell* aCell)
{
    TRect textRect;
    TRect iconRect;
    TRect buttonRect;
    DivideTheRectIntoSections(aCell, TMoxDrawStateSet(), textRect, iconRect, buttonRect,
                              Shrunk(aCell->getVisibleRect()), false);
    return buttonRect;
}

TRect TMoxGridView_Custom::GetEditRect(TMoxCell* aCell)
{
    if (!aCell) return kNoRect;
    TRect rect = aCell->getVisibleRect();
    const TRect button = ButtonRectOf(aCell);
    if (button.Left >= 0) rect.Left = std::min(button.Right + 1, rect.Right);
    return rect;
}

void TMoxGridView_Custom::DrawButtonsAndLines()
{
    if (FButtonCells.empty()) return;
    TCanvas* c = GetOffscreenCanvas();
    // The rectangles first: a hook below may change the list.
    const std::vector<TMoxCell*> cells = FButtonCells;
    std::vector<TRect> rects;
    rects.reserve(cells.size());
    for (TMoxCell* cell : cells)
        rects.push_back(ButtonRectOf(cell));
    if (FShowLinesTree) {
        c->Pen.SetColor(clSilver);
        c->Pen.SetStyle(psSolid);
        c->Pen.SetWidth(1);
        for (size_t i = 0; i < cells.size(); ++i) {
            TMoxCell* cell = cells[i];
            const TRect& own = rects[i];
            const int midY = own.Top + 8;
            int midX = own.Left + 6;
            int startY;
            TMoxCell* parent = GetParentButtonCell(cell);
            auto at = parent ? std::find(cells.begin(), cells.end(), parent) : cells.end();
            if (at != cells.end()) {
                const TRect& parentRect = rects[static_cast<size_t>(at - cells.begin())];
                midX = parentRect.Left + 6;
                startY = parentRect.Top + 8;
            } else {
                TMoxGridCell* grid = cell->ParentCell;
                startY = grid->ParentCell ? grid->VisibleRect.Top : grid->DrawRect.Top;
                if (grid->GetFixedRows() > 0) {
                    // The header cell above the first column stands for the parent.
                    if (TMoxCell* header = grid->getCell(0, grid->GetFixedRows() - 1);
                        header && header->VisibleRect.Left >= 0) {
                        const TRect hr = Shrunk(header->getVisibleRect());
                        midX = hr.Left + 6;
                        startY = hr.Top + 8;
                    }
                }
            }
            c->MoveTo(midX, startY + 8);
            c->LineTo(midX, midY);
            c->LineTo(midX + 10, midY);
        }
    }
    c->Pen.SetColor(clBlack);
    for (size_t i = 0; i < cells.size(); ++i)
        RenderButton(cells[i], rects[i]);
}

void TMoxGridView_Custom::RenderButton(TMoxCell* aCell, const TRect& aRect)
{
    TCanvas* c = GetOffscreenCanvas();
    if (OnRenderButton) {
        OnRenderButton(this, c, aCell, aRect);
        return;
    }
    if (IsButtonTerminal(aCell) || !ButtonHasNonHiddenChildren(aCell)) return;
    const TRect box(aRect.Left + 2, aRect.Top + 4, aRect.Left + 11, aRect.Top + 13);
    c->Brush.SetStyle(bsSolid);
    c->Brush.SetColor(clWhite);
    c->FillRect(box);
    c->Brush.SetColor(clGray);
    c->FrameRect(box);
    c->Pen.SetColor(clBlack);
    Line(c, aRect.Left + 4, aRect.Top + 8, aRect.Left + 9, aRect.Top + 8);
    if (!IsButtonExpanded(aCell)) Line(c, aRect.Left + 6, aRect.Top + 6, aRect.Left + 6, aRect.Top + 11);
}

void TMoxGridView_Custom::OnCellRectTampering(TMoxGridCell*, TMoxCell* aCell, TRect& aRect)
{
    if (aCell->CellType() != moxCellTypeSimple || !OnCellHasButton || !OnCellHasButton(this, aCell)) return;
    aRect.Left = std::min(aRect.Left + CellInset(aCell) * kInsetPerLevel, aRect.Right);
}

// ---------------------------------------------------------------------------
// Measuring and print scaling

void TMoxGridView_Custom::_OnMeasureHeight(TMoxGridCell*, TMoxCell* aCell, int& aHeight)
{
    if (IsDestroying() || !aCell || !aCell->Layout || !aCell->Layout->WrapTextAndFit) return;
    if (aCell->CellType() != moxCellTypeSimple) return;
    const int width = GetWidthOffAxisContentItemForHeightCalculation(aCell->ParentCell, aCell->ColumnItem);
    TRect rect(0, 0, width, aCell->RowItem ? aCell->RowItem->Size : 0);
    _OnScaleRect(rect);
    QString text;
    bool isStringEdit = true;
    bool checked = false;
    TLayoutProp* saved = FLastAppliedLayout;
    SetRenderAttributes(aCell, TMoxDrawStateSet(), text, isStringEdit, checked);
    FLastAppliedLayout = saved == aCell->Layout ? saved : nullptr;
    rect = Shrunk(rect);
    OnCellRectTampering(aCell->ParentCell, aCell, rect);
    TRect textRect;
    TRect iconRect;
    TRect buttonRect;
    DivideTheRectIntoSections(aCell, TMoxDrawStateSet(), textRect, iconRect, buttonRect, rect, false);
    DrawText(GetOffscreenCanvas(), text, textRect, GetFlags(aCell) | DT_CALCRECT);
    int height = textRect.Height() + 3;
    if (GetIsPrinting()) height = static_cast<int>(std::nearbyint(height / GetPrintScaley()));
    aHeight = std::max(height, FDefaultLayout->MinHeight);
}

void TMoxGridView_Custom::_OnScaleRect(TRect& aRect)
{
    if (!GetIsPrinting()) return;
    const double sx = GetPrintScalex();
    const double sy = GetPrintScaley();
    aRect = TRect(static_cast<int>(std::nearbyint(aRect.Left * sx)),
                  static_cast<int>(std::nearbyint(aRect.Top * sy)),
                  static_cast<int>(std::nearbyint(aRect.Right * sx)),
                  static_cast<int>(std::nearbyint(aRect.Bottom * sy)));
}

} // namespace skedra
