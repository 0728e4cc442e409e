#pragma once
// The package's components in Qt Designer, in the widget group "Tavrel": one
// custom widget interface per component, each made from one row of the
// component table (DesignerPlugin.cpp), and the collection Designer loads.

#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <QObject>
#include <QSize>
#include <QString>

#include <functional>
#include <type_traits>
#include <vector>

class QWidget;
class QExtensionManager;

namespace skedra
{

// The widget group of Designer's widget box that holds the components.
inline const QString cDesignerGroup = QStringLiteral("Tavrel");

// What Designer needs to know of one component.
struct TComponentDescription {
    QString ClassName;   // as written in .ui files (the class's meta-object name)
    QString DisplayName; // shown in the widget box
    QString IncludeFile;
    QString ToolTip;
    QSize DefaultSize;
    // Makes the widget; aDesigning when it goes on a form being designed.
    std::function<QWidget*(QWidget* aParent, bool aDesigning)> Create;
    // Registers the component's Designer extensions (its task menu), if it has any.
    std::function<void(QExtensionManager* aManager)> RegisterExtensions = {};
};

// The row of a component class T: its name comes from its meta-object, and a
// widget that can show itself for design (SetDesigning) is told so.
template <class T>
TComponentDescription DescribeComponent(const QString& aDisplayName, const QString& anIncludeFile,
                                        const QString& aToolTip, QSize aDefaultSize)
{
    static_assert(std::is_base_of_v<QWidget, T>, "a Designer component is a widget");
    return {QString::fromLatin1(T::staticMetaObject.className()),
            aDisplayName,
            anIncludeFile,
            aToolTip,
            aDefaultSize,
            [](QWidget* aParent, bool aDesigning) -> QWidget* {
                auto* widget = new T(aParent);
                if constexpr (requires(T & t) { t.SetDesigning(true); }) widget->SetDesigning(aDesigning);
                return widget;
            }};
}

// Every component the plugin offers, in widget box order.
std::vector<TComponentDescription> DesignerComponents();

class TComponentWidgetInterface : public QObject, public QDesignerCustomWidgetInterface
{
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)
public:
    TComponentWidgetInterface(TComponentDescription aDescription, QObject* aParent);

    QString name() const override { return FDescription.ClassName; }
    QString group() const override { return cDesignerGroup; }
    QString toolTip() const override { return FDescription.ToolTip; }
    QString whatsThis() const override { return FDescription.ToolTip; }
    QString includeFile() const override { return FDescription.IncludeFile; }
    QIcon icon() const override;
    bool isContainer() const override { return false; }
    QWidget* createWidget(QWidget* aParent) override;
    bool isInitialized() const override { return FInitialized; }
    // Called by Designer only; widgets made afterwards are for design.
    void initialize(QDesignerFormEditorInterface* aCore) override;
    QString domXml() const override;
    void RegisterExtensions(QExtensionManager* aManager) const;

private:
    TComponentDescription FDescription;
    bool FInitialized = false;
};

class TqvDesignerComponents : public QObject, public QDesignerCustomWidgetCollectionInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)
public:
    explicit TqvDesignerComponents(QObject* aParent = nullptr);

    QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return FWidgets; }
    // Registers every component's extensions with aManager; Designer's own
    // manager gets them when a component is initialized.
    Q_INVOKABLE void RegisterExtensions(QExtensionManager* aManager) const;

private:
    QList<QDesignerCustomWidgetInterface*> FWidgets; // children of this object
};

} // namespace skedra
