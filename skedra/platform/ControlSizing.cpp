// How a control's size is decided: OnCanResize and the size limits on every
// change of the bounds, Anchors when the parent resizes, and AutoSize.

#include "skedra/platform/Controls.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <climits>

namespace skedra
{

void TSizeConstraints::Set(int& aField, int aValue)
{
    aValue = std::max(0, aValue);
    if (aField == aValue) return;
    aField = aValue;
    OnChange(this);
}

void TControl::InternalSetBounds(int aLeft, int aTop, int aWidth, int aHeight)
{
    int w = std::max(0, aWidth);
    int h = std::max(0, aHeight);
    if (!FDestroying) {
        if ((w != width() || h != height()) && !CanResize(w, h)) return;
        int minW = 0;
        int minH = 0;
        int maxW = 0;
        int maxH = 0;
        ConstrainedResize(minW, minH, maxW, maxH);
        if (maxW > 0) w = std::min(w, std::max(maxW, minW));
        if (maxH > 0) h = std::min(h, std::max(maxH, minH));
        w = std::max({w, minW, 0});
        h = std::max({h, minH, 0});
    }
    const auto* p = dynamic_cast<const TControl*>(parentWidget());
    const TPoint off = p ? p->ClientOffset() : TPoint();
    const QRect r(aLeft + off.X, aTop + off.Y, w, h);
    if (r == geometry()) return;
    const bool moved = r.topLeft() != geometry().topLeft();
    setGeometry(r);
    if (size() != FNotifiedSize) {
        FNotifiedSize = size();
        BoundsChanged(true);
    } else if (moved) {
        BoundsChanged(false);
    }
}

bool TControl::CanResize(int& NewWidth, int& NewHeight)
{
    bool resize = true;
    OnCanResize(this, NewWidth, NewHeight, resize);
    return resize;
}

void TControl::ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight)
{
    MinWidth = FConstraints.GetMinWidth();
    MinHeight = FConstraints.GetMinHeight();
    MaxWidth = FConstraints.GetMaxWidth();
    MaxHeight = FConstraints.GetMaxHeight();
    OnConstrainedResize(this, MinWidth, MinHeight, MaxWidth, MaxHeight);
}

void TControl::ConstraintsChanged(TObject*)
{
    // A window is sized by the window manager too: Qt holds it to the same limits.
    if (isWindow()) {
        setMinimumSize(FConstraints.GetMinWidth(), FConstraints.GetMinHeight());
        setMaximumSize(FConstraints.GetMaxWidth() > 0 ? FConstraints.GetMaxWidth() : QWIDGETSIZE_MAX,
                       FConstraints.GetMaxHeight() > 0 ? FConstraints.GetMaxHeight() : QWIDGETSIZE_MAX);
    }
    InternalSetBounds(GetLeft(), GetTop(), GetWidth(), GetHeight());
    RequestAlign();
}

void TControl::SetAnchors(const TAnchors& aValue)
{
    if (aValue == FAnchors) return;
    FAnchors = aValue;
    UpdateAnchorRules();
}

void TControl::UpdateAnchorRules()
{
    const TWinControl* p = GetParent();
    if (p == nullptr || DefaultAnchors()) return;
    const TRect client = p->GetClientRect();
    FAnchorParentSize = TPoint(client.Width(), client.Height());
    FAnchorRules = TRect(GetLeft(), GetTop(), client.Width() - GetLeft() - GetWidth(),
                         client.Height() - GetTop() - GetHeight());
}

namespace
{

// One axis of the anchor rules: the new start and length in a parent of
// aParentSize, from the start and the distance to the far edge taken when the
// parent was aRuleParentSize long.
void AnchorAxis(bool aNear, bool aFar, int aStart, int aFarDistance, int aRuleParentSize, int aParentSize,
                int& theStart, int& theLength)
{
    if (aNear && aFar) {
        theStart = aStart;
        theLength = std::max(0, aParentSize - aStart - aFarDistance);
    } else if (aFar) {
        theStart = aParentSize - aFarDistance - theLength;
    } else if (!aNear && aRuleParentSize > 0) {
        // Neither edge: the centre keeps its proportion of the parent.
        const int length = aRuleParentSize - aStart - aFarDistance;
        const long long centre2 = 2LL * aStart + length; // twice the centre
        theStart = static_cast<int>(centre2 * aParentSize / (2LL * aRuleParentSize)) - theLength / 2;
    } else {
        theStart = aStart;
    }
}

} // namespace

void TControl::AnchorTo(const TRect& aParentRect)
{
    if (DefaultAnchors() || FAlign != alNone || FAnchorParentSize == TPoint()) return;
    int left = GetLeft();
    int top = GetTop();
    int w = GetWidth();
    int h = GetHeight();
    AnchorAxis(FAnchors.Contains(akLeft), FAnchors.Contains(akRight), FAnchorRules.Left, FAnchorRules.Right,
               FAnchorParentSize.X, aParentRect.Width(), left, w);
    AnchorAxis(FAnchors.Contains(akTop), FAnchors.Contains(akBottom), FAnchorRules.Top, FAnchorRules.Bottom,
               FAnchorParentSize.Y, aParentRect.Height(), top, h);
    InternalSetBounds(left, top, w, h);
}

void TControl::SetAutoSize(bool aValue)
{
    if (aValue == FAutoSize) return;
    FAutoSize = aValue;
    AdjustSize();
}

void TControl::AdjustSize()
{
    if (!FAutoSize || FAutoSizing || FDestroying) return;
    int w = GetWidth();
    int h = GetHeight();
    if (!CanAutoSize(w, h) || (w == GetWidth() && h == GetHeight())) return;
    const QScopedValueRollback sizing(FAutoSizing, true);
    SetBounds(GetLeft(), GetTop(), w, h);
}

bool TWinControl::CanAutoSize(int& NewWidth, int& NewHeight)
{
    int right = 0;         // right edge of the free children
    int bottom = 0;        // bottom edge of the free children
    int alignedWidth = 0;  // left- and right-aligned children side by side
    int alignedHeight = 0; // top- and bottom-aligned children one above the other
    bool widthKnown = false;
    bool heightKnown = false;
    for (QObject* o : children()) {
        auto* c = dynamic_cast<TControl*>(o);
        if (c == nullptr || c->isWindow() || !c->GetVisible()) continue;
        switch (c->GetAlign()) {
        case alNone:
            right = std::max(right, c->GetLeft() + c->GetWidth());
            bottom = std::max(bottom, c->GetTop() + c->GetHeight());
            widthKnown = heightKnown = true;
            break;
        case alTop:
        case alBottom:
            alignedHeight += c->GetHeight();
            heightKnown = true;
            break;
        case alLeft:
        case alRight:
            alignedWidth += c->GetWidth();
            widthKnown = true;
            break;
        case alClient:
            break;
        }
    }
    if (!widthKnown && !heightKnown) return false;
    const TRect client = GetClientRect();
    TRect inner = client;
    AdjustClientRect(inner);
    // What lies outside the client area (a border) and what AdjustClientRect reserves.
    const int outerWidth = GetWidth() - client.Width();
    const int outerHeight = GetHeight() - client.Height();
    if (widthKnown) {
        const int reservedRight = client.Right - inner.Right;
        const int content =
            std::max(right + reservedRight, (inner.Left - client.Left) + alignedWidth + reservedRight);
        NewWidth = content + outerWidth;
    }
    if (heightKnown) {
        const int reservedBottom = client.Bottom - inner.Bottom;
        const int content =
            std::max(bottom + reservedBottom, (inner.Top - client.Top) + alignedHeight + reservedBottom);
        NewHeight = content + outerHeight;
    }
    return true;
}

} // namespace skedra
