#pragma once
// The schedule view's sub-controls: the drawing surface of columns and items,
// the column header of each orientation, and the hint window.

#include <QImage>

#include "skedra/foundation/qvOffscreenPaint.h"
#include "skedra/platform/Grids.h"
#include "skedra/platform/HeaderControl.h"
#include "skedra/platform/HintWindow.h"

namespace skedra
{

class TqvSchema_ComBasic;
class TDataListColumns;

// The schema area; forwards its key-down to the schema.
class TqvOffscreenPaint_Schema : public TqvOffscreenPaint
{
public:
    explicit TqvOffscreenPaint_Schema(TqvSchema_ComBasic* aSchema, QWidget* aParent);
    TqvSchema_ComBasic* GetSchema() const { return FSchema; }

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;

private:
    TqvSchema_ComBasic* FSchema;
};

// The column header of the flipped orientation: one row per column; row
// height changes resize the columns.
class TDrawGrid_Schema : public TDrawGrid
{
public:
    explicit TDrawGrid_Schema(QWidget* aParent = nullptr);
    TDataListColumns* Columns = nullptr;
    void SetFocus() override;

protected:
    void RowHeightsChanged() override;
    void ColWidthsChanged() override;
    void TopLeftChanged() override;
    // Records the press on the column list; a left press away from a row
    // border starts a drag of the header.
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
};

// The column header of the normal orientation.
class THeaderControl_MouseControl : public THeaderControl
{
public:
    explicit THeaderControl_MouseControl(QWidget* aParent = nullptr);
    TDataListColumns* Columns = nullptr;

protected:
    // Records the press on the column list; a left press away from a section
    // border starts a drag of the header.
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
};

// The schema's hint windows: repaint whenever their text changes.
class TqvSchema_ComBasicHintWindow : public THintWindow
{
public:
    explicit TqvSchema_ComBasicHintWindow(QWidget* anOwner = nullptr) : THintWindow(anOwner) {}
    void ActivateHint(TRect aRect, const QString& aHint) override;
    // A picture shown instead of the text (the enlarged item preview); a null
    // image shows the text again.
    void SetPicture(const QImage& anImage);
    const QImage& GetPicture() const { return FPicture; }

protected:
    void Paint() override;

private:
    QImage FPicture;
};

} // namespace skedra
