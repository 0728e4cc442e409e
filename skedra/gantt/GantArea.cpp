#include "skedra/gantt/GantArea.h"

#include "skedra/gantt/qvGant.h"

namespace skedra
{

TqvOffscreenPaint_GA::TqvOffscreenPaint_GA(QWidget* aOwner) : TqvOffscreenPaint(aOwner)
{
    SetBevelOuter(bvNone);
    SetCaption(QString());
    for (const Word key : {VK_RETURN, VK_MENU, VK_APPS})
        WantedKeys.Include(static_cast<unsigned char>(key));
    for (Word key = VK_SPACE; key <= VK_DOWN; ++key)
        WantedKeys.Include(static_cast<unsigned char>(key));
}

TqvGant_ComBasic* TqvOffscreenPaint_GA::LiveGant() const
{
    return Gant != nullptr && !Gant->IsDestroying() ? Gant : nullptr;
}

bool TqvOffscreenPaint_GA::PaintCoversClient() const
{
    return LiveGant() != nullptr && OnPaint.Assigned();
}

void TqvOffscreenPaint_GA::SmashPaint()
{
    TqvOffscreenPaint::SmashPaint();
    if (TqvGant_ComBasic* gant = LiveGant()) gant->GantAreaPainted();
}

void TqvOffscreenPaint_GA::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TqvOffscreenPaint::MouseDown(Button, Shift, X, Y);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->GantAreaMouseDown(this, Button, Shift, X, Y);
}

void TqvOffscreenPaint_GA::MouseMove(TShiftState Shift, int X, int Y)
{
    TqvOffscreenPaint::MouseMove(Shift, X, Y);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->GantAreaMouseMove(this, Shift, X, Y);
}

void TqvOffscreenPaint_GA::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TqvOffscreenPaint::MouseUp(Button, Shift, X, Y);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->GantAreaMouseUp(this, Button, Shift, X, Y);
}

void TqvOffscreenPaint_GA::DblClick()
{
    TqvOffscreenPaint::DblClick();
    if (TqvGant_ComBasic* gant = LiveGant()) gant->OnGADblClick(this);
}

void TqvOffscreenPaint_GA::KeyDown(Word& Key, TShiftState Shift)
{
    TqvOffscreenPaint::KeyDown(Key, Shift);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->GantAreaKeyDown(this, Key, Shift);
}

void TqvOffscreenPaint_GA::DoStartDrag(TObject*& DragObject)
{
    TqvOffscreenPaint::DoStartDrag(DragObject);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->GantAreaStartDrag(this, DragObject);
}

void TqvOffscreenPaint_GA::DoEndDrag(TObject* Target, int X, int Y)
{
    TqvOffscreenPaint::DoEndDrag(Target, X, Y);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->GantAreaEndDrag(this, Target, X, Y);
}

void TqvOffscreenPaint_GA::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    TqvOffscreenPaint::DragOver(Source, X, Y, State, Accept);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->GantAreaDragOver(this, Source, X, Y, State, Accept);
}

void TqvOffscreenPaint_GA::DragDrop(TObject* Source, int X, int Y)
{
    TqvOffscreenPaint::DragDrop(Source, X, Y);
    if (TqvGant_ComBasic* gant = LiveGant()) gant->GantAreaDragDrop(this, Source, X, Y);
}

} // namespace skedra
