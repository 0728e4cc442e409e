#include "skedra/platform/HintWindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace skedra
{

THintWindow::THintWindow(QWidget* anOwner) : TCustomControl(nullptr)
{
    if (anOwner != nullptr) QWidget::setParent(anOwner);
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                   Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    SetColor(clInfoBk);
    GetFont()->SetColor(clInfoText);
    setVisible(false);
}

TRect THintWindow::GetClientRect() const
{
    return TRect(0, 0, std::max(0, width() - 2), std::max(0, height() - 2));
}

TRect THintWindow::CalcHintRect(int aMaxWidth, const QString& aHint, void*)
{
    TCanvas* canvas = GetCanvas();
    canvas->Font.Assign(*GetFont());
    TRect r(0, 0, aMaxWidth, 0);
    DrawText(canvas, aHint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    r.Right += 6;
    r.Bottom += 2;
    return r;
}

void THintWindow::ActivateHint(TRect aRect, const QString& aHint)
{
    SetCaption(aHint);
    aRect.Bottom += 4;
    if (const QScreen* screen = QGuiApplication::screenAt(aRect.TopLeft().ToQPoint())
                                    ? QGuiApplication::screenAt(aRect.TopLeft().ToQPoint())
                                    : QGuiApplication::primaryScreen()) {
        const QRect desk = screen->geometry();
        const int w = aRect.Width();
        const int h = aRect.Height();
        if (aRect.Top + h > desk.bottom() + 1) aRect.Top = desk.bottom() + 1 - h;
        if (aRect.Left + w > desk.right() + 1) aRect.Left = desk.right() + 1 - w;
        aRect.Left = std::max(aRect.Left, desk.left());
        aRect.Top = std::max(aRect.Top, desk.top());
        aRect.Right = aRect.Left + w;
        aRect.Bottom = aRect.Top + h;
    }
    SetBoundsRect(aRect);
    if (!isVisible()) setVisible(true); // stays on top by its window flags
    Invalidate();
}

void THintWindow::ActivateHintData(TRect aRect, const QString& aHint, void*)
{
    ActivateHint(aRect, aHint);
}

void THintWindow::ReleaseHandle()
{
    setVisible(false);
}

void THintWindow::PaintNonClient(QPainter* aPainter)
{
    aPainter->setPen(ToQColor(clWindowFrame));
    aPainter->setBrush(Qt::NoBrush);
    aPainter->drawRect(0, 0, width() - 1, height() - 1);
}

void THintWindow::Paint()
{
    PaintHintText(GetCaption(), DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

void THintWindow::PaintHintText(const QString& aText, unsigned aFlags)
{
    TCanvas* canvas = GetCanvas();
    TRect r = GetClientRect();
    r.Left += 2;
    r.Top += 2;
    canvas->Font.Assign(*GetFont());
    canvas->Brush.SetStyle(bsClear);
    DrawText(canvas, aText, r, aFlags);
}

} // namespace skedra
