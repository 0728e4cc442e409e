#pragma once
// A 5 x 5 grip the user drags anywhere inside its parent, with guide lines
// across the parent while dragging; it reports how far it was moved and the
// application resizes what it wants.

#include <QPointer>

#include "skedra/platform/Controls.h"

namespace skedra
{

class TXYSizer;

using TOnResize = TMethod<void(TXYSizer* Sender, TPoint theNewPoint)>;

// A grip dragged inside its parent to resize something in two directions at once.
class TXYSizer : public TPanel
{
    Q_OBJECT
    // Pixels at the top of the parent where the grip does not follow the pointer (default 5).
    Q_PROPERTY(int TopMargin MEMBER TopMargin)
    // Pixels at the left of the parent where the grip does not follow the pointer (default 5).
    Q_PROPERTY(int LeftMargin MEMBER LeftMargin)
    // Pixels at the right of the parent where the grip does not follow the pointer (default 5).
    Q_PROPERTY(int RightMargin MEMBER RightMargin)
    // Pixels at the bottom of the parent where the grip does not follow the pointer (default 5).
    Q_PROPERTY(int BottomMargin MEMBER BottomMargin)
public:
    explicit TXYSizer(QWidget* aParent = nullptr);
    ~TXYSizer() override;

    // The grip follows the pointer only while the pointer is inside the
    // parent's client area less these margins.
    int TopMargin = 5;
    int LeftMargin = 5;
    int RightMargin = 5;
    int BottomMargin = 5;

    // Raised at the release with the movement since the press.
    TOnResize OnResize;

    // The guides (created at the first drag, children of the parent).
    TPanel* GetHorizontalGuide() const { return FHorzGuide.data(); }
    TPanel* GetVerticalGuide() const { return FVertGuide.data(); }

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // A grip moved to another parent ends its drag: the guides of the old
    // parent go away and the release reports nothing.
    void changeEvent(QEvent* anEvent) override;

private:
    void EnsureGuides();
    void ShowGuides();
    void HideGuides();

    QPointer<TPanel> FHorzGuide;
    QPointer<TPanel> FVertGuide;
    TPoint FPressPoint;
    TPoint FPressPos;
    bool FPressed = false;
};

} // namespace skedra
