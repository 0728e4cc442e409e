#include "skedra/platform/Canvas.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <cmath>

#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Exceptions.h"

namespace skedra
{

// ---------------------------------------------------------------------------
// Pens, brushes, fonts

void TGraphicsObject::Changed()
{
    OnChange(this);
}

namespace
{

QString DefaultFontName()
{
    if (QGuiApplication::instance() != nullptr) return QGuiApplication::font().family();
    return QStringLiteral("DejaVu Sans");
}

int PointsToPixels(int points)
{
    return static_cast<int>(std::lround(std::abs(points) * 96.0 / 72.0));
}

} // namespace

TFont::TFont() : FName(DefaultFontName())
{
    Rebuild();
}

void TFont::SetName(const QString& value)
{
    if (value == FName || value.isEmpty()) return;
    FName = value;
    Rebuild();
    Changed();
}

void TFont::SetSize(int value)
{
    if (value == FSize && FPixelHeight == 0) return;
    FSize = value;
    FPixelHeight = 0;
    Rebuild();
    Changed();
}

int TFont::GetHeight() const
{
    if (FPixelHeight != 0) return FPixelHeight;
    return -PointsToPixels(FSize);
}

void TFont::SetHeight(int value)
{
    if (value == GetHeight()) return;
    FPixelHeight = value;
    FSize = static_cast<int>(std::lround(std::abs(value) * 72.0 / 96.0));
    Rebuild();
    Changed();
}

int TFont::PixelSize() const
{
    const int px = FPixelHeight != 0 ? std::abs(FPixelHeight) : PointsToPixels(FSize);
    return std::max(1, px);
}

void TFont::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();
}

void TFont::SetStyle(const TFontStyles& value)
{
    if (value == FStyle) return;
    FStyle = value;
    Rebuild();
    Changed();
}

void TFont::SetOrientation(int value)
{
    if (value == FOrientation) return;
    FOrientation = value;
    Changed();
}

void TFont::Assign(const TFont& source)
{
    if (&source == this) return;
    if (source == *this) return;
    FName = source.FName;
    FSize = source.FSize;
    FPixelHeight = source.FPixelHeight;
    FColor = source.FColor;
    FStyle = source.FStyle;
    FOrientation = source.FOrientation;
    FQfont = source.FQfont;
    FMetrics.reset();
    Changed();
}

void TFont::AssignQFont(const QFont& source)
{
    FName = source.family().isEmpty() ? DefaultFontName() : source.family();
    if (source.pixelSize() > 0) {
        FPixelHeight = -source.pixelSize();
        FSize = static_cast<int>(std::lround(source.pixelSize() * 72.0 / 96.0));
    } else {
        FPixelHeight = 0;
        FSize = static_cast<int>(std::lround(source.pointSizeF()));
    }
    TFontStyles styles;
    if (source.bold()) styles += fsBold;
    if (source.italic()) styles += fsItalic;
    if (source.underline()) styles += fsUnderline;
    if (source.strikeOut()) styles += fsStrikeOut;
    FStyle = styles;
    Rebuild();
    Changed();
}

void TFont::Rebuild()
{
    QFont f(FName);
    f.setPixelSize(PixelSize());
    f.setBold(FStyle.Contains(fsBold));
    f.setItalic(FStyle.Contains(fsItalic));
    f.setUnderline(FStyle.Contains(fsUnderline));
    f.setStrikeOut(FStyle.Contains(fsStrikeOut));
    FQfont = f;
    FMetrics.reset();
}

const QFontMetrics& TFont::Metrics() const
{
    if (!FMetrics) FMetrics.emplace(FQfont);
    return *FMetrics;
}

bool operator==(const TFont& a, const TFont& b)
{
    return a.FName == b.FName && a.FSize == b.FSize && a.FPixelHeight == b.FPixelHeight &&
           a.FColor == b.FColor && a.FStyle == b.FStyle && a.FOrientation == b.FOrientation;
}

void TPen::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();
}

void TPen::SetWidth(int value)
{
    value = std::max(0, value);
    if (value == FWidth) return;
    FWidth = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (value == FStyle) return;
    FStyle = value;
    Changed();
}

void TPen::SetMode(TPenMode value)
{
    if (value == FMode) return;
    FMode = value;
    Changed();
}

void TPen::Assign(const TPen& source)
{
    if (&source == this) return;
    FColor = source.FColor;
    FWidth = source.FWidth;
    FStyle = source.FStyle;
    FMode = source.FMode;
    Changed();
}

void TBrush::SetColor(TColor value)
{
    if (value == FColor && FStyle != bsClear) return;
    FColor = value;
    if (FStyle == bsClear) FStyle = bsSolid; // the toolkit makes a coloured brush visible again
    Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (value == FStyle) return;
    FStyle = value;
    Changed();
}

void TBrush::SetBitmap(TBitmap* value)
{
    FBitmap = value;
    FPattern = (value != nullptr && !value->Empty()) ? value->ToImage() : QImage();
    Changed();
}

void TBrush::SetPattern(const QImage& pattern)
{
    FBitmap = nullptr;
    FPattern = pattern.convertToFormat(QImage::Format_RGB32);
    Changed();
}

void TBrush::Assign(const TBrush& source)
{
    if (&source == this) return;
    FColor = source.FColor;
    FStyle = source.FStyle;
    FBitmap = source.FBitmap;
    FPattern = source.FPattern;
    Changed();
}

QBrush TBrush::ToQBrush() const
{
    if (!FPattern.isNull()) return QBrush(FPattern);
    const QColor c = ToQColor(FColor);
    switch (FStyle) {
    case bsSolid:
        return QBrush(c);
    case bsClear:
        return QBrush(Qt::NoBrush);
    case bsHorizontal:
        return QBrush(c, Qt::HorPattern);
    case bsVertical:
        return QBrush(c, Qt::VerPattern);
    case bsFDiagonal:
        return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal:
        return QBrush(c, Qt::BDiagPattern);
    case bsCross:
        return QBrush(c, Qt::CrossPattern);
    case bsDiagCross:
        return QBrush(c, Qt::DiagCrossPattern);
    }
    return QBrush(c);
}

} // namespace skedra
