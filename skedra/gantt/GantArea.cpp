#include "skedra/gantt/GantArea.h"

namespace skedra
{

TqvOffscreenPaint_GA::TqvOffscreenPaint_GA(QWidget* aOwner) : TqvOffscreenPaint(aOwner)
{
    SetBevelOuter(bvNone);
    SetCaption(QString());
}

} // namespace skedra
