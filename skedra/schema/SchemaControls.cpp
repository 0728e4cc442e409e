#include "skedra/schema/SchemaControls.h"

#include <QPainter>

#include "skedra/schema/qvSchema.h"

namespace skedra
{

TqvOffscreenPaint_Schema::TqvOffscreenPaint_Schema(TqvSchema_ComBasic* aSchema, QWidget* aParent)
    : TqvOffscreenPaint(aParent), FSchema(aSchema)
{
}

void TqvOffscreenPaint_Schema::KeyDown(Word& Key, TShiftState Shift)
{
    TqvOffscreenPaint::KeyDown(Key, Shift);
    if (FSchema != nullptr && Key != 0) FSchema->SchemaKeyDown(this, Key, Shift);
}

TDrawGrid_Schema::TDrawGrid_Schema(QWidget* aParent) : TDrawGrid(aParent) {}

void TDrawGrid_Schema::SetFocus()
{
    if (CanFocus()) TDrawGrid::SetFocus();
}

void TDrawGrid_Schema::RowHeightsChanged()
{
    if (Columns == nullptr || Columns->Resizing) return;
    // A row sized with the mouse is the column to resize.
    if (GetSizingRow() >= 0) Columns->ResizeCol = GetSizingRow();
    Columns->FlippedHeaderResize();
}

void TDrawGrid_Schema::ColWidthsChanged()
{
    if (Columns == nullptr || Columns->Resizing) return;
    Columns->FlippedHeaderResize();
}

void TDrawGrid_Schema::TopLeftChanged()
{
    TDrawGrid::TopLeftChanged();
    if (Columns != nullptr && !Columns->Resizing) Columns->SetTopLeftCol(GetTopRow());
}

THeaderControl_MouseControl::THeaderControl_MouseControl(QWidget* aParent) : THeaderControl(aParent) {}

void TqvSchema_ComBasicHintWindow::ActivateHint(TRect aRect, const QString& aHint)
{
    const bool changed = GetCaption() != aHint;
    THintWindow::ActivateHint(aRect, aHint);
    if (changed) Invalidate();
}

void TqvSchema_ComBasicHintWindow::SetPicture(const QImage& anImage)
{
    FPicture = anImage;
    Invalidate();
}

void TqvSchema_ComBasicHintWindow::Paint()
{
    if (FPicture.isNull()) return THintWindow::Paint();
    GetCanvas()->Handle()->drawImage(QPoint(0, 0), FPicture);
}

} // namespace skedra
