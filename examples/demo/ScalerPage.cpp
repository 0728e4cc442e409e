// The date scaler page: horizontal scalers from hours to decades in both
// looks, with hidden nights and weekends, week numbers and the three range
// indicators, and two vertical scalers (with and without upright text).
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "examples/demo/DemoPage.h"
#include "skedra/platform/DeviceContext.h"
#include "skedra/scaler/qvScaler.h"

using namespace skedra;

namespace
{

// A fixed Monday, so that screenshots are the same every day.
TDateTime DemoMonday()
{
    return EncodeDate(2024, 3, 4);
}

TqvHiddenHours NightHours()
{
    TqvHiddenHours s;
    for (int h = 0; h < 24; ++h)
        if (h < 7 || h >= 19) s.Include(static_cast<TqvHiddenHoursEnum>(h));
    return s;
}

struct ScalerSample {
    QString caption;
    TDateTime start;
    TDateTime stop;
    TLookAndFeel look;
    TIndicatorStyle indicator;
    bool hideNights;
    bool hideWeekend;
    bool weekNumbers;
};

TqvDateScaler* MakeScaler(QWidget* parent, const ScalerSample& sample, bool horizontal)
{
    auto* s = new TqvDateScaler(parent);
    s->SetName(QStringLiteral("DateScaler"));
    s->SetHorizontal(horizontal);
    s->SetColor(clWindow);
    s->SetLookAndFeel(sample.look);
    s->SetIndicatorStyle(sample.indicator);
    s->SetWeekNumbers(sample.weekNumbers);
    if (sample.hideNights) s->SetHiddenHours(NightHours());
    if (sample.hideWeekend) s->SetHiddenDays(TqvHiddenDays{thdSAT, thdSUN});
    s->SetStart(sample.start);
    s->SetStop(sample.stop);
    if (horizontal)
        s->setFixedHeight(58);
    else
        s->setFixedWidth(70);
    return s;
}

QWidget* CreateScalerPage(QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(12);
    auto* column = new QVBoxLayout();
    column->setSpacing(2);
    const TDateTime monday = DemoMonday();
    const std::vector<ScalerSample> samples = {
        {QStringLiteral("Hours under days; nights (19-7) hidden; colourful indicator"), monday + 7.0 / 24,
         monday + 2.5, tlfClassic, isColorfull, true, false, false},
        {QStringLiteral("Days under weeks; weekend hidden; week numbers"), monday, monday + 35, tlfClassic,
         isNormal, false, true, true},
        {QStringLiteral("The same, boxed"), monday, monday + 35, tlfBoxed, isNormal, false, true, true},
        {QStringLiteral("Months under quarters; sober indicator"), EncodeDate(2024, 1, 1),
         EncodeDate(2025, 7, 1), tlfClassic, isSober, false, false, false},
        {QStringLiteral("Quarters under years, boxed"), EncodeDate(2022, 1, 1), EncodeDate(2030, 1, 1),
         tlfBoxed, isNormal, false, false, false},
        {QStringLiteral("Minutes under hours, boxed"), monday + 9.0 / 24, monday + 13.0 / 24, tlfBoxed,
         isSober, false, false, false},
        {QStringLiteral("Years under decades (drag to zoom, Ctrl+drag to pan, hold the arrows to scroll)"),
         EncodeDate(1960, 1, 1), EncodeDate(2060, 1, 1), tlfClassic, isNormal, false, false, false},
    };
    for (const ScalerSample& sample : samples) {
        column->addWidget(new QLabel(sample.caption, page));
        column->addWidget(MakeScaler(page, sample, true));
    }
    column->addStretch(1);
    grid->addLayout(column, 0, 0);
    auto* flat = MakeScaler(
        page, {QString(), monday + 6.0 / 24, monday + 2, tlfClassic, isNone, false, false, false}, false);
    auto* upright =
        MakeScaler(page, {QString(), monday, monday + 28, tlfBoxed, isSober, false, false, true}, false);
    upright->SetVerticalText(true);
    grid->addWidget(flat, 0, 1);
    grid->addWidget(upright, 0, 2);
    grid->setColumnStretch(0, 1);
    return page;
}

std::vector<TqvDateScaler*> ScalersOf(QWidget* page)
{
    std::vector<TqvDateScaler*> result;
    for (QWidget* w : page->findChildren<QWidget*>())
        if (auto* s = dynamic_cast<TqvDateScaler*>(w)) result.push_back(s);
    return result;
}

// Prints every scaler of the page one under the other at the page's resolution.
void PrintScalerPage(QWidget* page, QPainter& painter, const QRect& pageRect)
{
    TDeviceContext dc(&painter);
    const double scale = painter.device()->logicalDpiX() / 96.0;
    int y = pageRect.top() + static_cast<int>(40 * scale);
    const int x = pageRect.left() + static_cast<int>(40 * scale);
    for (TqvDateScaler* s : ScalersOf(page)) {
        if (!s->GetHorizontal()) continue;
        s->Print(&dc, x, y, scale, scale, true);
        y += static_cast<int>((s->height() + 16) * scale);
    }
    int vx = x;
    for (TqvDateScaler* s : ScalersOf(page)) {
        if (s->GetHorizontal() || s->height() <= 0) continue;
        // The vertical scalers share the rest of the page, scaled down if they must.
        const double vs = std::min(scale, (pageRect.bottom() - y - 20.0) / s->height());
        if (vs <= 0.2) break;
        s->Print(&dc, vx, y, vs, vs, true);
        vx += static_cast<int>((s->width() + 30) * vs);
    }
}

DemoPageRegistration scalerPage(DemoPage{10, QStringLiteral("Date scaler"), CreateScalerPage,
                                         PrintScalerPage});

} // namespace
