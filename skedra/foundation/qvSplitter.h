#pragma once
// A thin bar beside an aligned control of the same parent; dragging it
// changes that control's width (left or right alignment) or height (top or
// bottom).

#include <QPointer>

#include "skedra/platform/Controls.h"

namespace skedra
{

class TqvSplitLine;

using TCanResizeEvent = TMethod<void(TObject* Sender, int& NewSize, bool& Accept)>;

// A bar beside an aligned control of the same parent; dragging it resizes that control.
class TqvSplitter : public TGraphicControl
{
    Q_OBJECT
    // A raised edge is drawn (default false).
    Q_PROPERTY(bool Beveled READ GetBeveled WRITE SetBeveled)
    // Smallest size the resized control may get (default 30).
    Q_PROPERTY(int MinSize READ GetMinSize WRITE SetMinSize)
    // How a drag is shown (default rsPattern).
    Q_PROPERTY(TResizeStyle ResizeStyle READ GetResizeStyle WRITE SetResizeStyle)
    // The bar takes the parent's colour (default true).
    Q_PROPERTY(bool ParentColor READ GetParentColor WRITE SetParentColor)
public:
    // How a drag is shown: not at all, by an inverted line, by resizing the
    // control live, or by a checkered inverted line.
    enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
    Q_ENUM(TResizeStyle)

    explicit TqvSplitter(QWidget* aParent = nullptr);
    ~TqvSplitter() override;

    bool GetBeveled() const { return FBeveled; }
    void SetBeveled(bool aValue);
    // The smallest size the control gets by dragging; a smaller size closes it
    // (size 0). At least 1.
    int GetMinSize() const { return FMinSize; }
    void SetMinSize(int aValue);
    TResizeStyle GetResizeStyle() const { return FResizeStyle; }
    void SetResizeStyle(TResizeStyle aValue) { FResizeStyle = aValue; }
    // With ParentColor the bar takes its parent's colour; setting Color clears it.
    bool GetParentColor() const { return FParentColor; }
    void SetParentColor(bool aValue);
    void SetColor(TColor aValue) override;
    // Shown in a form designer (GetDesigning): paints a dotted outline so the bar can be found.
    void SetDesigning(bool aValue, bool aSetChildren = true) override;

    // The control this splitter resizes: the first visible, enabled control
    // of the parent just outside the splitter on its aligned side.
    TControl* FindControl() const;

    // A drag asks for a new size; the handler may change it or refuse it.
    TCanResizeEvent OnCanResize;
    // The drag ended and the control got its new size.
    TNotifyEvent OnMoved;
    // After the bar was drawn.
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
    using TGraphicControl::CanResize;
    virtual bool CanResize(int& aNewSize);
    virtual bool DoCanResize(int& aNewSize);
    // The alignment changed: the split cursor follows the axis.
    void RequestAlign() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void StopSizing();

private:
    bool Horizontal() const; // resizes widths
    void CalcSplitSize(int X, int Y, int& aNewSize, int& aSplit) const;
    void UpdateSize(int X, int Y);
    void UpdateControlSize();
    void AllocateLineDC();
    void ReleaseLineDC();
    void DrawLine();
    // Removes the drag line and forgets the control, applying nothing.
    void EndDrag();
    TColor PaintColor() const;

    bool FBeveled = false;
    int FMinSize = 30;
    TResizeStyle FResizeStyle = rsPattern;
    bool FParentColor = true;

    QPointer<TControl> FControl;
    TPoint FDownPos;
    int FMaxSize = 0;
    // The dragged control's own size limits along the axis (0: none).
    int FMinLimit = 0;
    int FMaxLimit = 0;
    int FNewSize = 0;
    int FOldSize = -1;
    int FSplit = 0;
    bool FLineVisible = false;
    QPointer<TqvSplitLine> FLine;
};

using TResizeStyle = TqvSplitter::TResizeStyle;
using enum TqvSplitter::TResizeStyle;

} // namespace skedra
