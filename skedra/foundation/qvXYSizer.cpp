#include "skedra/foundation/qvXYSizer.h"

#include <QEvent>

namespace skedra
{

TXYSizer::TXYSizer(QWidget* aParent) : TPanel(aParent)
{
    SetBounds(GetLeft(), GetTop(), 5, 5);
    SetBevelOuter(bvNone);
    SetColor(clBlack);
}

TXYSizer::~TXYSizer()
{
    // The guides belong to the parent; take them along when the grip goes.
    delete FHorzGuide.data();
    delete FVertGuide.data();
}

void TXYSizer::Paint()
{
    TCanvas* canvas = GetCanvas();
    canvas->Brush.SetStyle(bsSolid);
    canvas->Brush.SetColor(clBlack);
    canvas->FillRect(GetClientRect());
}

void TXYSizer::EnsureGuides()
{
    QWidget* parent = parentWidget();
    if (!parent) return;
    for (QPointer<TPanel>* guide : {&FHorzGuide, &FVertGuide}) {
        if (!*guide) {
            *guide = new TPanel(parent);
            (*guide)->SetVisible(false);
        } else if ((*guide)->parentWidget() != parent) {
            (*guide)->SetParent(parent);
        }
    }
}

void TXYSizer::ShowGuides()
{
    EnsureGuides();
    const TWinControl* parent = GetParent();
    if (!FHorzGuide || !FVertGuide || !parent) return;
    const int w = parent->GetClientWidth(), h = parent->GetClientHeight();
    FHorzGuide->SetBounds(5, GetTop() + FPressPoint.Y, w - 10, 2);
    FVertGuide->SetBounds(GetLeft() + FPressPoint.X, 5, 2, h - 10);
    FHorzGuide->SetVisible(true);
    FVertGuide->SetVisible(true);
    FHorzGuide->BringToFront();
    FVertGuide->BringToFront();
    BringToFront();
}

void TXYSizer::HideGuides()
{
    if (FHorzGuide) FHorzGuide->SetVisible(false);
    if (FVertGuide) FVertGuide->SetVisible(false);
}

void TXYSizer::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TPanel::MouseDown(Button, Shift, X, Y);
    FPressPoint = TPoint(X, Y);
    FPressPos = TPoint(GetLeft(), GetTop());
    FPressed = true;
}

void TXYSizer::MouseMove(TShiftState Shift, int X, int Y)
{
    TPanel::MouseMove(Shift, X, Y);
    const TWinControl* parent = GetParent();
    if (!FPressed || !Shift.Contains(ssLeft) || !parent) return;
    const TPoint p(GetLeft() + X, GetTop() + Y);
    const TRect allowed(LeftMargin, TopMargin, parent->GetClientWidth() - RightMargin,
                        parent->GetClientHeight() - BottomMargin);
    if (!allowed.Contains(p)) return;
    SetBounds(GetLeft() + X - FPressPoint.X, GetTop() + Y - FPressPoint.Y, GetWidth(), GetHeight());
    ShowGuides();
}

void TXYSizer::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TPanel::MouseUp(Button, Shift, X, Y);
    if (!FPressed) return;
    FPressed = false;
    // The guides go first: the handler may free the grip.
    HideGuides();
    OnResize(this, TPoint(GetLeft() - FPressPos.X, GetTop() - FPressPos.Y));
}

void TXYSizer::changeEvent(QEvent* anEvent)
{
    TPanel::changeEvent(anEvent);
    if (anEvent->type() != QEvent::ParentChange) return;
    FPressed = false;
    HideGuides();
}

} // namespace skedra
