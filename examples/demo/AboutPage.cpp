// The first page: what the demo shows.
#include <QLabel>

#include "examples/demo/DemoPage.h"

namespace
{

DemoPageRegistration about(DemoPage{
    0,
    QStringLiteral("About"),
    [](QWidget* parent) -> QWidget* {
        auto* label = new QLabel(parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        label->setMargin(16);
        label->setText(
            QStringLiteral("<h2>Skedra</h2><p>Qt Widgets components for planning and showing work over time. "
                           "Each tab shows one component with sample data.</p>"));
        return label;
    },
    {}});

} // namespace
