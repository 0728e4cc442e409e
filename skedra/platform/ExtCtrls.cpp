#include "skedra/platform/ExtCtrls.h"

#include <QTimer>

#include <algorithm>

#include "skedra/platform/Messages.h"

namespace skedra
{

TTimer::TTimer(QObject* anOwner) : QObject(anOwner), FTimer(new QTimer(this))
{
    QObject::connect(FTimer, &QTimer::timeout, this, [this] { GuardedCall([this] { Timer(); }); });
    UpdateTimer();
}

TTimer::~TTimer()
{
    FTimer->stop();
}

void TTimer::SetEnabled(bool aValue)
{
    FEnabled = aValue;
    UpdateTimer();
}

void TTimer::SetInterval(int aValue)
{
    FInterval = std::max(0, aValue);
    UpdateTimer();
}

bool TTimer::IsActive() const
{
    return FTimer->isActive();
}

void TTimer::UpdateTimer()
{
    FTimer->stop();
    if (FEnabled && FInterval > 0) FTimer->start(FInterval);
}

void TTimer::Timer()
{
    if (FEnabled) OnTimer(this);
}

TPaintBox::TPaintBox(QWidget* aParent) : TGraphicControl(aParent)
{
    InternalSetBounds(GetLeft(), GetTop(), 105, 105);
}

} // namespace skedra
