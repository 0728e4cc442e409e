#pragma once
// The Gantt area: the double-buffered surface on which the chart draws its
// rows' time items. It routes its paint to the chart (through OnPaint,
// installed by the chart), and its mouse, key and drag notifications to the
// chart's handlers after its own handling. It takes the keys the chart
// navigates with as its own: Enter, Alt, Space, Page Up, Page Down, End,
// Home, the arrows and the context-menu key.

#include "skedra/foundation/qvOffscreenPaint.h"

namespace skedra
{

class TqvGant_ComBasic;

class TqvOffscreenPaint_GA : public TqvOffscreenPaint
{
public:
    explicit TqvOffscreenPaint_GA(QWidget* aOwner = nullptr);

    TqvGant_ComBasic* GetGant() const { return Gant; }
    void SetGant(TqvGant_ComBasic* aGant) { Gant = aGant; }

    // After the bitmap reached the window surface, the chart draws a drag's
    // outline onto it again.
    void SmashPaint() override;
    void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
    void DragDrop(TObject* Source, int X, int Y) override;

protected:
    // The chart's paint fills the whole area before it draws anything.
    bool PaintCoversClient() const override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void DoStartDrag(TObject*& DragObject) override;
    void DoEndDrag(TObject* Target, int X, int Y) override;

private:
    // The chart, when it is alive and not being destroyed.
    TqvGant_ComBasic* LiveGant() const;

    TqvGant_ComBasic* Gant = nullptr;
};

} // namespace skedra
