#pragma once
// The hint window base: a top-level tool window with a thin frame, in the
// info colours, that shows a text and never takes the focus or activates.

#include "skedra/platform/Controls.h"

namespace skedra
{

class THintWindow : public TCustomControl
{
public:
    // anOwner (optional) frees the window with itself; the window stays top-level.
    explicit THintWindow(QWidget* anOwner = nullptr);

    // Shows aHint with the window at aRect (screen coordinates), kept on the
    // screen, without taking the focus.
    virtual void ActivateHint(TRect aRect, const QString& aHint);
    virtual void ActivateHintData(TRect aRect, const QString& aHint, void* aData);
    // The size the window needs for aHint, wrapped at aMaxWidth pixels.
    virtual TRect CalcHintRect(int aMaxWidth, const QString& aHint, void* aData);
    // Hides the window.
    void ReleaseHandle();
    bool IsShowing() const { return isVisible(); }

    TRect GetClientRect() const override;
    TPoint ClientOffset() const override { return TPoint(1, 1); }

protected:
    void Paint() override;
    void PaintNonClient(QPainter* aPainter) override;
    // Draws aText in the window's font, 2 pixels in from the client edge.
    void PaintHintText(const QString& aText, unsigned aFlags);
};

} // namespace skedra
