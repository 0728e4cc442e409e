#include "skedra/platform/StdCtrls.h"

#include <QEvent>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

#include "skedra/platform/Messages.h"

namespace skedra
{

TScrollBar::TScrollBar(QWidget* aParent) : TWinControl(aParent), FBar(new QScrollBar(Qt::Horizontal, this))
{
    FBar->setFocusPolicy(Qt::NoFocus);
    FBar->setTracking(true);
    FBar->installEventFilter(this);
    QObject::connect(FBar, &QAbstractSlider::actionTriggered, this,
                     [this](int action) { ActionTriggered(action); });
    QObject::connect(FBar, &QAbstractSlider::valueChanged, this,
                     [this](int value) { SetPositionFromBar(value); });
    QObject::connect(FBar, &QAbstractSlider::sliderReleased, this, [this] {
        DoScroll(scPosition, FBar->sliderPosition());
        DoScroll(scEndScroll, FPosition);
    });
    SetTabStop(true);
    UpdateBar();
    InternalSetBounds(GetLeft(), GetTop(), 121, 17);
    FBar->setGeometry(0, 0, width(), height());
    FBar->show();
}

void TScrollBar::SetKind(TScrollBarKind aValue)
{
    if (aValue == FKind) return;
    FKind = aValue;
    FBar->setOrientation(aValue == sbHorizontal ? Qt::Horizontal : Qt::Vertical);
    SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
}

int TScrollBar::MaxPosition() const
{
    return std::max(FMin, FPageSize > 0 ? FMax - FPageSize + 1 : FMax);
}

void TScrollBar::SetParams(int aPosition, int aMin, int aMax)
{
    if (aMax < aMin || aMax < FPageSize)
        throw EInvalidOperation(QStringLiteral("Scrollbar property out of range"));
    FMin = aMin;
    FMax = aMax;
    const int position = std::clamp(aPosition, FMin, MaxPosition());
    const bool changed = position != FPosition;
    FPosition = position;
    UpdateBar();
    if (changed) Change();
}

void TScrollBar::SetPageSize(int aValue)
{
    // A page SetParams would refuse (above Max: a page of the whole range
    // from 0) is ignored like one larger than the range, never raised.
    if (aValue == FPageSize || aValue < 0 || aValue > FMax - FMin + 1 || aValue > FMax) return;
    FPageSize = aValue;
    SetParams(FPosition, FMin, FMax);
}

void TScrollBar::SetLargeChange(int aValue)
{
    FLargeChange = std::max(1, aValue);
    UpdateBar();
}

void TScrollBar::SetSmallChange(int aValue)
{
    FSmallChange = std::max(1, aValue);
    UpdateBar();
}

void TScrollBar::UpdateBar()
{
    FUpdating = true;
    const QSignalBlocker block(FBar);
    FBar->setRange(FMin, MaxPosition());
    FBar->setPageStep(FPageSize > 0 ? FPageSize : FLargeChange);
    FBar->setSingleStep(FSmallChange);
    FBar->setValue(FPosition);
    FUpdating = false;
}

void TScrollBar::SetPositionFromBar(int aValue)
{
    if (FUpdating || aValue == FPosition) return;
    GuardedCall([&] {
        FPosition = std::clamp(aValue, FMin, MaxPosition());
        Change();
    });
}

void TScrollBar::ActionTriggered(int anAction)
{
    int newPos = FPosition;
    TScrollCode code;
    switch (anAction) {
    case QAbstractSlider::SliderSingleStepAdd:
        code = scLineDown;
        newPos += FSmallChange;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        code = scLineUp;
        newPos -= FSmallChange;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = scPageDown;
        newPos += FLargeChange;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = scPageUp;
        newPos -= FLargeChange;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = scTop;
        newPos = FMin;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = scBottom;
        newPos = MaxPosition();
        break;
    case QAbstractSlider::SliderMove:
        code = scTrack;
        newPos = FBar->sliderPosition();
        break;
    default:
        return;
    }
    DoScroll(code, newPos);
    // The action then moves the bar to the position we leave in sliderPosition.
    FBar->setSliderPosition(FPosition);
}

void TScrollBar::DoScroll(TScrollCode aCode, int aNewPos)
{
    GuardedCall([&] {
        int pos = std::clamp(aNewPos, FMin, MaxPosition());
        Scroll(aCode, pos);
        if (aCode != scEndScroll) SetPosition(pos);
    });
}

void TScrollBar::Scroll(TScrollCode ScrollCode, int& ScrollPos)
{
    OnScroll(this, ScrollCode, ScrollPos);
}

void TScrollBar::Change()
{
    OnChange(this);
}

void TScrollBar::BoundsChanged(bool aSizeChanged)
{
    if (aSizeChanged) FBar->setGeometry(0, 0, width(), height());
    TWinControl::BoundsChanged(aSizeChanged);
}

bool TScrollBar::eventFilter(QObject* aWatched, QEvent* anEvent)
{
    // A click on an arrow or the track ends with the release of the button.
    if (aWatched == FBar && anEvent->type() == QEvent::MouseButtonRelease && !FBar->isSliderDown())
        DoScroll(scEndScroll, FPosition);
    return TWinControl::eventFilter(aWatched, anEvent);
}

} // namespace skedra
