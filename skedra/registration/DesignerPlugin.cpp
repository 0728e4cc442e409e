#include "skedra/registration/DesignerPlugin.h"

#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QExtensionManager>

#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "skedra/foundation/qvSplitter.h"
#include "skedra/foundation/qvXYSizer.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/grid/qvGrid.h"
#include "skedra/registration/GridColumnsEditor.h"
#include "skedra/scaler/qvScaler.h"
#include "skedra/schema/qvSchema.h"
#include "skedra/tree/qvTree.h"
#include "skedra/tree/qvTreePopup.h"

namespace skedra
{

namespace
{

// The grid brings its column editor: the task-menu verb "Columns".
TComponentDescription GridDescription()
{
    TComponentDescription grid = DescribeComponent<TqvGrid>(
        QStringLiteral("TqvGrid"), QStringLiteral("skedra/grid/qvGrid.h"),
        QStringLiteral("Grid with typed columns, sub-grids, cell layouts, sorting and tree rows"),
        QSize(400, 250));
    grid.RegisterExtensions = [](QExtensionManager* aManager) {
        aManager->registerExtensions(new TqvGridTaskMenuFactory(aManager),
                                     Q_TYPEID(QDesignerTaskMenuExtension));
    };
    return grid;
}

} // namespace

std::vector<TComponentDescription> DesignerComponents()
{
    return {
        DescribeComponent<TqvDateScaler>(
            QStringLiteral("TqvDateScaler"), QStringLiteral("skedra/scaler/qvScaler.h"),
            QStringLiteral("Date and time axis with zoom, scroll and hidden time"), QSize(400, 40)),
        DescribeComponent<TqvTree>(QStringLiteral("TqvTree"), QStringLiteral("skedra/tree/qvTree.h"),
                                   QStringLiteral("Tree view bound to data entities"), QSize(200, 300)),
        DescribeComponent<TqvTreePopupHolder>(
            QStringLiteral("TqvTreePopup"), QStringLiteral("skedra/tree/qvTreePopup.h"),
            QStringLiteral("Popup menu built from a tree of the form"), QSize(140, 24)),
        GridDescription(),
        DescribeComponent<TqvGant>(
            QStringLiteral("TqvGant"), QStringLiteral("skedra/gantt/qvGant.h"),
            QStringLiteral("Gantt chart: rows as a tree or a grid, a date scaler, time items and links"),
            QSize(350, 250)),
        DescribeComponent<TqvSchema>(
            QStringLiteral("TqvSchema"), QStringLiteral("skedra/schema/qvSchema.h"),
            QStringLiteral("Schedule view: time items in columns under a header, or flipped into bands"),
            QSize(500, 400)),
        DescribeComponent<TqvSplitter>(
            QStringLiteral("TqvSplitter"), QStringLiteral("skedra/foundation/qvSplitter.h"),
            QStringLiteral("Bar that resizes the aligned control beside it"), QSize(3, 100)),
        DescribeComponent<TXYSizer>(
            QStringLiteral("TXYSizer"), QStringLiteral("skedra/foundation/qvXYSizer.h"),
            QStringLiteral("Grip dragged inside its parent to resize in two directions"), QSize(5, 5)),
    };
}

TComponentWidgetInterface::TComponentWidgetInterface(TComponentDescription aDescription, QObject* aParent)
    : QObject(aParent), FDescription(std::move(aDescription))
{
}

QIcon TComponentWidgetInterface::icon() const
{
    // A tile with the component's initials, so the entries tell apart at a glance.
    QPixmap tile(22, 22);
    tile.fill(QColor(0x2d, 0x5f, 0x8b));
    QPainter painter(&tile);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    QString initials;
    for (QChar c : FDescription.DisplayName.mid(1))
        if (c.isUpper()) initials += c;
    painter.drawText(tile.rect(), Qt::AlignCenter, initials.left(2));
    return QIcon(tile);
}

QWidget* TComponentWidgetInterface::createWidget(QWidget* aParent)
{
    return FDescription.Create(aParent, FInitialized);
}

void TComponentWidgetInterface::initialize(QDesignerFormEditorInterface* aCore)
{
    if (FInitialized) return;
    FInitialized = true;
    if (aCore != nullptr) RegisterExtensions(aCore->extensionManager());
}

void TComponentWidgetInterface::RegisterExtensions(QExtensionManager* aManager) const
{
    if (aManager != nullptr && FDescription.RegisterExtensions) FDescription.RegisterExtensions(aManager);
}

QString TComponentWidgetInterface::domXml() const
{
    // The default object name: the display name without its leading "T".
    const QString objectName = FDescription.DisplayName.mid(1);
    return QStringLiteral("<ui language=\"c++\" displayname=\"%1\">"
                          "<widget class=\"%2\" name=\"%3\">"
                          "<property name=\"geometry\"><rect><x>0</x><y>0</y>"
                          "<width>%4</width><height>%5</height></rect></property>"
                          "</widget></ui>")
        .arg(FDescription.DisplayName, FDescription.ClassName, objectName)
        .arg(FDescription.DefaultSize.width())
        .arg(FDescription.DefaultSize.height());
}

TqvDesignerComponents::TqvDesignerComponents(QObject* aParent) : QObject(aParent)
{
    for (TComponentDescription& description : DesignerComponents())
        FWidgets.append(new TComponentWidgetInterface(std::move(description), this));
}

void TqvDesignerComponents::RegisterExtensions(QExtensionManager* aManager) const
{
    for (QDesignerCustomWidgetInterface* widget : FWidgets)
        static_cast<TComponentWidgetInterface*>(widget)->RegisterExtensions(aManager);
}

} // namespace skedra
