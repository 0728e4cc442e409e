#include "skedra/platform/DeviceContext.h"

#include <QPagedPaintDevice>
#include <QPaintDevice>

#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Exceptions.h"

namespace skedra
{

TDeviceContext::TDeviceContext(QPaintDevice* aDevice)
{
    if (aDevice == nullptr) throw Exception(QStringLiteral("No device to paint on"));
    owned_ = std::make_unique<QPainter>();
    if (!owned_->begin(aDevice)) throw Exception(QStringLiteral("Cannot paint on the device"));
    owned_->setRenderHint(QPainter::Antialiasing, false);
    painter_ = owned_.get();
}

TDeviceContext::TDeviceContext(QPainter* aPainter) : painter_(aPainter)
{
    if (painter_ == nullptr || !painter_->isActive())
        throw Exception(QStringLiteral("Cannot paint on the device"));
}

TDeviceContext::~TDeviceContext()
{
    if (owned_ && owned_->isActive()) owned_->end();
}

void TDeviceContext::End()
{
    if (owned_ && owned_->isActive()) owned_->end();
}

TPoint TDeviceContext::GetViewportOrg() const
{
    if (painter_ == nullptr || !painter_->isActive()) return TPoint();
    const QTransform& t = painter_->worldTransform();
    return TPoint(qRound(t.dx()), qRound(t.dy()));
}

TPoint TDeviceContext::SetViewportOrg(int x, int y)
{
    const TPoint previous = GetViewportOrg();
    if (painter_ == nullptr || !painter_->isActive()) return previous;
    const QTransform t = painter_->worldTransform();
    painter_->setWorldTransform(QTransform(t.m11(), t.m12(), t.m21(), t.m22(), x, y));
    return previous;
}

TPoint TDeviceContext::OffsetViewportOrg(int dx, int dy)
{
    const TPoint o = GetViewportOrg();
    return SetViewportOrg(o.X + dx, o.Y + dy);
}

namespace
{

// Runs f with the painter in device coordinates (identity world transform).
template <class F> void InDeviceCoordinates(QPainter* p, F&& f)
{
    const QTransform t = p->worldTransform();
    p->setWorldTransform(QTransform());
    f();
    p->setWorldTransform(t);
}

} // namespace

void TDeviceContext::SelectClipRect(const TRect& r)
{
    if (painter_ == nullptr || !painter_->isActive()) return;
    InDeviceCoordinates(painter_, [&] { painter_->setClipRect(r.ToQRect(), Qt::ReplaceClip); });
}

void TDeviceContext::IntersectClipRect(const TRect& r)
{
    if (painter_ == nullptr || !painter_->isActive()) return;
    const Qt::ClipOperation op = painter_->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip;
    InDeviceCoordinates(painter_, [&] { painter_->setClipRect(r.ToQRect(), op); });
}

void TDeviceContext::SelectNoClip()
{
    if (painter_ == nullptr || !painter_->isActive()) return;
    painter_->setClipping(false);
}

bool TDeviceContext::GetClipRect(TRect& r) const
{
    r = TRect(0, 0, GetDeviceWidth(), GetDeviceHeight());
    if (painter_ == nullptr || !painter_->isActive() || !painter_->hasClipping()) return false;
    const QRect bounds = painter_->worldTransform().map(painter_->clipRegion()).boundingRect();
    r = TRect::From(bounds);
    return true;
}

TClipState TDeviceContext::SaveClip() const
{
    TClipState s;
    if (painter_ == nullptr || !painter_->isActive() || !painter_->hasClipping()) return s;
    s.Clipped = true;
    s.Region = painter_->worldTransform().map(painter_->clipRegion());
    return s;
}

void TDeviceContext::RestoreClip(const TClipState& aState)
{
    if (painter_ == nullptr || !painter_->isActive()) return;
    if (!aState.Clipped) {
        painter_->setClipping(false);
        return;
    }
    InDeviceCoordinates(painter_, [&] { painter_->setClipRegion(aState.Region, Qt::ReplaceClip); });
}

int TDeviceContext::GetDeviceWidth() const
{
    return Device() != nullptr ? Device()->width() : 0;
}
int TDeviceContext::GetDeviceHeight() const
{
    return Device() != nullptr ? Device()->height() : 0;
}
int TDeviceContext::GetLogPixelsX() const
{
    return Device() != nullptr ? Device()->logicalDpiX() : 96;
}
int TDeviceContext::GetLogPixelsY() const
{
    return Device() != nullptr ? Device()->logicalDpiY() : 96;
}

bool TDeviceContext::NewPage()
{
    auto* paged = dynamic_cast<QPagedPaintDevice*>(Device());
    if (paged == nullptr) return false;
    return paged->newPage();
}

void StretchDIBits(TCanvas* aCanvas, const TRect& aTarget, const TBitmap* aBitmap)
{
    if (aCanvas == nullptr || aBitmap == nullptr || aBitmap->Empty() || aTarget.IsEmpty()) return;
    QPainter* p = aCanvas->Handle();
    if (p == nullptr) return;
    const QPainter::CompositionMode saved = p->compositionMode();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(aTarget.ToQRect(), aBitmap->Image());
    p->setCompositionMode(saved);
}

void StretchDIBits(TDeviceContext* aDC, const TRect& aTarget, const TBitmap* aBitmap)
{
    if (aDC == nullptr || aDC->Painter() == nullptr) return;
    TCanvas canvas(aDC->Painter());
    StretchDIBits(&canvas, aTarget, aBitmap);
}

} // namespace skedra
