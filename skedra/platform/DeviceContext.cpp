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
    FOwned = std::make_unique<QPainter>();
    if (!FOwned->begin(aDevice)) throw Exception(QStringLiteral("Cannot paint on the device"));
    FOwned->setRenderHint(QPainter::Antialiasing, false);
    FPainter = FOwned.get();
}

TDeviceContext::TDeviceContext(QPainter* aPainter) : FPainter(aPainter)
{
    if (FPainter == nullptr || !FPainter->isActive())
        throw Exception(QStringLiteral("Cannot paint on the device"));
}

TDeviceContext::~TDeviceContext()
{
    if (FOwned && FOwned->isActive()) FOwned->end();
}

void TDeviceContext::End()
{
    if (FOwned && FOwned->isActive()) FOwned->end();
}

TPoint TDeviceContext::GetViewportOrg() const
{
    if (FPainter == nullptr || !FPainter->isActive()) return TPoint();
    const QTransform& t = FPainter->worldTransform();
    return TPoint(qRound(t.dx()), qRound(t.dy()));
}

TPoint TDeviceContext::SetViewportOrg(int x, int y)
{
    const TPoint previous = GetViewportOrg();
    if (FPainter == nullptr || !FPainter->isActive()) return previous;
    const QTransform t = FPainter->worldTransform();
    FPainter->setWorldTransform(QTransform(t.m11(), t.m12(), t.m21(), t.m22(), x, y));
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
    if (FPainter == nullptr || !FPainter->isActive()) return;
    InDeviceCoordinates(FPainter, [&] { FPainter->setClipRect(r.ToQRect(), Qt::ReplaceClip); });
}

void TDeviceContext::IntersectClipRect(const TRect& r)
{
    if (FPainter == nullptr || !FPainter->isActive()) return;
    const Qt::ClipOperation op = FPainter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip;
    InDeviceCoordinates(FPainter, [&] { FPainter->setClipRect(r.ToQRect(), op); });
}

void TDeviceContext::SelectNoClip()
{
    if (FPainter == nullptr || !FPainter->isActive()) return;
    FPainter->setClipping(false);
}

bool TDeviceContext::GetClipRect(TRect& r) const
{
    r = TRect(0, 0, GetDeviceWidth(), GetDeviceHeight());
    if (FPainter == nullptr || !FPainter->isActive() || !FPainter->hasClipping()) return false;
    const QRect bounds = FPainter->worldTransform().map(FPainter->clipRegion()).boundingRect();
    r = TRect::From(bounds);
    return true;
}

TClipState TDeviceContext::SaveClip() const
{
    TClipState s;
    if (FPainter == nullptr || !FPainter->isActive() || !FPainter->hasClipping()) return s;
    s.Clipped = true;
    s.Region = FPainter->worldTransform().map(FPainter->clipRegion());
    return s;
}

void TDeviceContext::RestoreClip(const TClipState& aState)
{
    if (FPainter == nullptr || !FPainter->isActive()) return;
    if (!aState.Clipped) {
        FPainter->setClipping(false);
        return;
    }
    InDeviceCoordinates(FPainter, [&] { FPainter->setClipRegion(aState.Region, Qt::ReplaceClip); });
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
