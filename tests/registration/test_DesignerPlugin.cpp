// The Designer plugin as Designer and the form loaders see it: loaded from
// its file, every component in the group "Tavrel", widgets whose published
// properties survive a .ui file written and read again.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFileInfo>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <QtDesigner/QDesignerTaskMenuExtension>
#include <QtDesigner/QExtensionManager>
#include <QAbstractItemModel>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QtDesigner/QFormBuilder>
#include <QtUiTools/QUiLoader>

#include <cmath>
#include <functional>
#include <map>
#include <memory>

#include "skedra/gantt/qvGant.h"
#include "skedra/grid/qvGrid.h"
#include "skedra/tree/qvTree.h"
#include "skedra/tree/qvTreePopup.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

namespace
{

const QString cPluginFile = QStringLiteral(SKEDRA_DESIGNER_PLUGIN_FILE);

QObject* PluginInstance()
{
    static QPluginLoader loader(cPluginFile); // stays loaded for the whole program
    if (!loader.isLoaded() && !loader.load()) {
        ADD_FAILURE() << loader.errorString().toStdString();
        return nullptr;
    }
    return loader.instance();
}

QList<QDesignerCustomWidgetInterface*> Components()
{
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(PluginInstance());
    if (collection == nullptr) {
        ADD_FAILURE() << "the plugin is no widget collection";
        return {};
    }
    return collection->customWidgets();
}

// A grid made by the plugin on aForm, with the plugin's extensions registered
// in aManager (as Designer does when it loads the plugin).
TqvGrid* DesignerGrid(QExtensionManager& aManager, QWidget& aForm)
{
    QDesignerCustomWidgetInterface* gridEntry = nullptr;
    for (QDesignerCustomWidgetInterface* c : Components())
        if (c->name() == "skedra::TqvGrid") gridEntry = c;
    if (gridEntry == nullptr || !QMetaObject::invokeMethod(PluginInstance(), "RegisterExtensions",
                                                           Q_ARG(QExtensionManager*, &aManager))) {
        ADD_FAILURE() << "no grid entry or no extensions in the plugin";
        return nullptr;
    }
    return qobject_cast<TqvGrid*>(gridEntry->createWidget(&aForm));
}

// The properties a component publishes itself (those after QWidget's).
QList<QMetaProperty> PublishedProperties(const QObject* anObject)
{
    QList<QMetaProperty> properties;
    const QMetaObject* meta = anObject->metaObject();
    for (int i = QWidget::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (p.isWritable() && p.isStored() && p.isDesignable()) properties << p;
    }
    return properties;
}

// A value other than the current one, of the property's type.
QVariant OtherValue(const QMetaProperty& aProperty, const QVariant& aCurrent)
{
    if (aProperty.isEnumType()) {
        const QMetaEnum e = aProperty.enumerator();
        int index = 0;
        while (index < e.keyCount() && e.value(index) != aCurrent.toInt())
            ++index;
        return e.value((index + 1) % e.keyCount());
    }
    switch (aCurrent.typeId()) {
    case QMetaType::Bool:
        return !aCurrent.toBool();
    case QMetaType::Int:
        return aCurrent.toInt() + 3;
    case QMetaType::Double:
        return aCurrent.toDouble() + 1.5;
    case QMetaType::QString:
        return aCurrent.toString() + QStringLiteral("x");
    case QMetaType::QColor: {
        const QColor c = aCurrent.value<QColor>();
        return QColor(255 - c.red(), c.green() ^ 0x5a, c.blue());
    }
    default:
        ADD_FAILURE() << aProperty.name() << " has a type a form cannot store: " << aCurrent.typeName();
        return aCurrent;
    }
}

// Writes forms as Designer does: a component's own child widgets are its
// business, not the form's, and are not written.
class TFormWriter : public QFormBuilder
{
protected:
    DomWidget* createDom(QWidget* aWidget, DomWidget* aParent, bool aRecursive) override
    {
        const bool component = QByteArray(aWidget->metaObject()->className()).startsWith("skedra::");
        return QFormBuilder::createDom(aWidget, aParent, aRecursive && !component);
    }
};

// The form as Designer writes it: the published properties in declaration
// order (a loader sets them in file order, and Start before Stop is not Stop
// before Start), enum-typed ones as <enum>Scope::key</enum>. QFormBuilder
// writes properties in no fixed order and no enum-typed property at all.
QByteArray SaveForm(QWidget* aForm, QWidget* aComponent)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TFormWriter writer;
    writer.save(&buffer, aForm);
    QString text = QString::fromUtf8(buffer.data());
    QString published;
    for (const QMetaProperty& p : PublishedProperties(aComponent)) {
        const QString name = QString::fromLatin1(p.name());
        if (p.isEnumType()) {
            const QString key = QString::fromLatin1(p.enumerator().valueToKey(p.read(aComponent).toInt()));
            published += QStringLiteral("<property name=\"%1\"><enum>%2::%3</enum></property>")
                             .arg(name, QString::fromLatin1(p.enumerator().scope()), key);
            continue;
        }
        const QRegularExpression block(QStringLiteral("<property name=\"%1\"[^>]*>.*?</property>").arg(name),
                                       QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch m = block.match(text);
        if (!m.hasMatch()) continue;
        published += m.captured(0);
        text.remove(m.capturedStart(0), m.capturedLength(0));
    }
    const QString tag = QStringLiteral("name=\"%1\">").arg(aComponent->objectName());
    const int at = text.indexOf(tag);
    if (at >= 0) text.insert(at + tag.size(), published);
    return text.toUtf8();
}

QString PluginFolder()
{
    return QFileInfo(cPluginFile).absolutePath();
}

} // namespace

TEST(DesignerPlugin, ListsEveryComponentInTheTavrelGroup)
{
    std::map<QString, QDesignerCustomWidgetInterface*> byName;
    for (QDesignerCustomWidgetInterface* c : Components()) {
        byName[c->name()] = c;
        EXPECT_EQ(c->group(), "Tavrel") << c->name().toStdString();
        EXPECT_FALSE(c->isContainer());
        EXPECT_FALSE(c->icon().isNull());
        EXPECT_TRUE(QFileInfo::exists(QStringLiteral(SKEDRA_SOURCE_DIR "/") + c->includeFile()))
            << c->includeFile().toStdString();
        // The widget box entry makes a widget of the class itself.
        QXmlStreamReader xml(c->domXml());
        while (!xml.atEnd() && !(xml.isStartElement() && xml.name() == QLatin1String("widget")))
            xml.readNext();
        EXPECT_EQ(xml.attributes().value("class").toString(), c->name());
    }
    for (const char* name :
         {"skedra::TqvDateScaler", "skedra::TqvTree", "skedra::TqvTreePopupHolder", "skedra::TqvGrid",
          "skedra::TqvSchema", "skedra::TqvSplitter", "skedra::TXYSizer", "skedra::TqvGant"})
        EXPECT_EQ(byName.count(QString::fromLatin1(name)), 1u) << name;
    EXPECT_EQ(byName.size(), static_cast<std::size_t>(Components().size())); // no name twice
}

TEST(DesignerPlugin, EveryComponentsPropertiesRoundTripThroughAUiFile)
{
    for (QDesignerCustomWidgetInterface* c : Components()) {
        SCOPED_TRACE(c->name().toStdString());
        QWidget form;
        form.setObjectName("Form");
        QWidget* widget = c->createWidget(&form);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(QString::fromLatin1(widget->metaObject()->className()), c->name());
        widget->setObjectName("component");
        const QList<QMetaProperty> published = PublishedProperties(widget);
        for (const QMetaProperty& p : published) {
            const QVariant other = OtherValue(p, p.read(widget));
            EXPECT_TRUE(p.write(widget, other)) << p.name();
        }
        std::map<QString, QVariant> expected;
        for (const QMetaProperty& p : published)
            expected[QString::fromLatin1(p.name())] = p.read(widget);

        QBuffer ui;
        ui.setData(SaveForm(&form, widget));
        ui.open(QIODevice::ReadOnly);
        const QString text = QString::fromUtf8(ui.data());
        EXPECT_TRUE(text.contains(QStringLiteral("class=\"%1\"").arg(c->name())));
        for (const auto& [name, value] : expected)
            EXPECT_TRUE(text.contains(QStringLiteral("name=\"%1\"").arg(name))) << name.toStdString();

        auto check = [&](QWidget* loadedForm, const char* by) {
            ASSERT_NE(loadedForm, nullptr) << by;
            std::unique_ptr<QWidget> owner(loadedForm);
            QWidget* loaded = loadedForm->findChild<QWidget*>("component");
            ASSERT_NE(loaded, nullptr) << by;
            EXPECT_EQ(QString::fromLatin1(loaded->metaObject()->className()), c->name()) << by;
            for (const auto& [name, value] : expected) {
                const QVariant read = loaded->property(name.toLatin1());
                // A form stores a double as decimal text with 15 significant digits.
                if (value.typeId() == QMetaType::Double)
                    EXPECT_NEAR(read.toDouble(), value.toDouble(), 1e-12 * (1 + std::abs(value.toDouble())))
                        << by << " " << name.toStdString();
                else
                    EXPECT_EQ(read, value) << by << " " << name.toStdString();
            }
        };
        QUiLoader uiLoader;
        uiLoader.clearPluginPaths();
        uiLoader.addPluginPath(PluginFolder());
        ui.seek(0);
        check(uiLoader.load(&ui), "QUiLoader");
        QFormBuilder builder;
        builder.setPluginPath({PluginFolder()});
        ui.seek(0);
        check(builder.load(&ui), "QFormBuilder");
    }
}

TEST(DesignerPlugin, WidgetsMadeOutsideDesignerAreNotForDesign)
{
    QDesignerCustomWidgetInterface* popupEntry = nullptr;
    for (QDesignerCustomWidgetInterface* c : Components())
        if (c->name() == "skedra::TqvTreePopupHolder") popupEntry = c;
    ASSERT_NE(popupEntry, nullptr);
    QWidget form;
    auto* runtime = dynamic_cast<TqvTreePopupHolder*>(popupEntry->createWidget(&form));
    ASSERT_NE(runtime, nullptr);
    EXPECT_FALSE(runtime->GetDesigning());
    form.show();
    EXPECT_FALSE(runtime->isVisible()); // nothing of it shows in a running form
}

TEST(DesignerPlugin, TreePopupOnALoadedFormMirrorsTheNamedTree)
{
    const QByteArray ui = R"(<ui version="4.0"><class>Form</class>
<widget class="QWidget" name="Form">
 <widget class="skedra::TqvTreePopupHolder" name="projectsPopup">
  <property name="Tree"><string>projects</string></property>
 </widget>
 <widget class="skedra::TqvTree" name="projects">
  <property name="MultiSelect"><bool>true</bool></property>
 </widget>
</widget></ui>)";
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(PluginFolder());
    QBuffer buffer;
    buffer.setData(ui);
    std::unique_ptr<QWidget> form(loader.load(&buffer));
    ASSERT_NE(form, nullptr) << loader.errorString().toStdString();
    form->show();
    auto* tree = dynamic_cast<TqvTree*>(form->findChild<QWidget*>("projects"));
    auto* holder = dynamic_cast<TqvTreePopupHolder*>(form->findChild<QWidget*>("projectsPopup"));
    ASSERT_NE(tree, nullptr);
    ASSERT_NE(holder, nullptr);
    EXPECT_TRUE(tree->GetMultiSelect());
    EXPECT_EQ(holder->GetPopupMenu()->GetTree(), tree);
    EXPECT_EQ(tree->GetPopupMenu(), holder->GetPopupMenu());
    TqvDataEntity_Tree* e = tree->AddDataEntity(nullptr);
    e->SetText("Alpha");
    holder->GetPopupMenu()->InitRootLevel();
    ASSERT_EQ(holder->GetPopupMenu()->GetItems()->Count(), 1);
    EXPECT_EQ(holder->GetPopupMenu()->Items(0)->GetCaption(), "Alpha");
    delete holder; // the tree forgets its context menu
    EXPECT_EQ(tree->GetPopupMenu(), nullptr);
}

TEST(DesignerPlugin, GridColumnsVerbEditsTheColumnsTheFormSaves)
{
    QExtensionManager manager;
    QWidget form;
    form.setObjectName("Form");
    TqvGrid* grid = DesignerGrid(manager, form);
    ASSERT_NE(grid, nullptr);
    grid->setObjectName("component");

    auto* menu = qt_extension<QDesignerTaskMenuExtension*>(&manager, grid);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->taskActions().size(), 1);
    EXPECT_EQ(menu->taskActions().front()->text(), "Columns");
    EXPECT_EQ(menu->preferredEditAction(), menu->taskActions().front());
    EXPECT_EQ(qt_extension<QDesignerTaskMenuExtension*>(&manager, &form), nullptr); // only grids have it

    QObject* glue = menu->taskActions().front()->parent();
    QAbstractItemModel* model = nullptr;
    ASSERT_TRUE(QMetaObject::invokeMethod(glue, "NewColumnsModel", Q_RETURN_ARG(QAbstractItemModel*, model)));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->rowCount(), 0);
    auto column = [&](const char* aProperty) {
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->headerData(c, Qt::Horizontal).toString() == QLatin1String(aProperty)) return c;
        ADD_FAILURE() << "no editor column " << aProperty;
        return 0;
    };
    ASSERT_TRUE(model->insertRows(0, 2));
    EXPECT_TRUE(model->setData(model->index(0, column("HeaderText")), "Budget"));
    EXPECT_TRUE(model->setData(model->index(0, column("Width")), 120));
    EXPECT_TRUE(model->setData(model->index(0, column("Kind")), "tckDate"));
    EXPECT_FALSE(model->setData(model->index(0, column("Kind")), "tckNoSuchKind"));
    EXPECT_FALSE(model->setData(model->index(0, column("Width")), -5));
    EXPECT_TRUE(model->setData(model->index(1, column("HeaderText")), "Name"));
    EXPECT_TRUE(model->setData(model->index(1, column("ReadOnly")), Qt::Checked, Qt::CheckStateRole));
    ASSERT_TRUE(model->moveRows({}, 1, 1, {}, 0)); // "Name" first
    ASSERT_TRUE(QMetaObject::invokeMethod(glue, "ApplyColumnsModel", Q_ARG(QAbstractItemModel*, model)));

    ASSERT_EQ(grid->GetColumns()->Count(), 2);
    EXPECT_EQ(grid->GetColumns()->GetColumn(0)->GetHeaderText(), "Name");
    EXPECT_TRUE(grid->GetColumns()->GetColumn(0)->GetReadOnly());
    EXPECT_EQ(grid->GetColumns()->GetColumn(1)->GetHeaderText(), "Budget");
    EXPECT_EQ(grid->GetColumns()->GetColumn(1)->GetWidth(), 120);
    EXPECT_EQ(grid->GetColumns()->GetColumn(1)->GetKind(), tckDate);

    QBuffer ui;
    ui.setData(SaveForm(&form, grid));
    ui.open(QIODevice::ReadOnly);
    EXPECT_TRUE(QString::fromUtf8(ui.data()).contains("Budget"));
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(PluginFolder());
    std::unique_ptr<QWidget> loadedForm(loader.load(&ui));
    ASSERT_NE(loadedForm, nullptr);
    auto* loaded = qobject_cast<TqvGrid*>(loadedForm->findChild<QWidget*>("component"));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->GetColumns()->Count(), 2);
    EXPECT_EQ(loaded->GetColumns()->GetColumn(1)->GetHeaderText(), "Budget");
    EXPECT_EQ(loaded->GetColumns()->GetColumn(1)->GetKind(), tckDate);
    EXPECT_EQ(loaded->GetColumnsText(), grid->GetColumnsText());
}

TEST(DesignerPlugin, AChartOnALoadedFormIsInTheModeTheFormSays)
{
    const QByteArray form = R"(<ui version="4.0"><class>Form</class>
<widget class="QWidget" name="Form">
 <property name="geometry"><rect><x>0</x><y>0</y><width>700</width><height>400</height></rect></property>
 <widget class="skedra::TqvGant" name="chart">
  <property name="UseGridNotTree"><bool>true</bool></property>
  <property name="TreeWidth"><number>240</number></property>
  <property name="ScalerHeight"><number>60</number></property>
  <property name="Grid_HasHeaders"><bool>true</bool></property>
  <property name="GantBackColor"><color><red>255</red><green>255</green><blue>255</blue></color></property>
  <property name="geometry"><rect><x>0</x><y>0</y><width>700</width><height>400</height></rect></property>
 </widget>
</widget><resources/><connections/></ui>)";
    QBuffer ui;
    ui.setData(form);
    ui.open(QIODevice::ReadOnly);
    QUiLoader uiLoader;
    uiLoader.clearPluginPaths();
    uiLoader.addPluginPath(PluginFolder());
    std::unique_ptr<QWidget> loaded(uiLoader.load(&ui));
    ASSERT_NE(loaded, nullptr);
    auto* chart = loaded->findChild<TqvGant*>("chart");
    ASSERT_NE(chart, nullptr);
    // Each property reached the part it belongs to.
    EXPECT_TRUE(chart->GetUseGridNotTree());
    EXPECT_TRUE(chart->GetGrid()->GetVisible());
    EXPECT_FALSE(chart->GetTreeView()->GetVisible());
    EXPECT_TRUE(chart->GetGrid()->GetHasHeaders());
    EXPECT_EQ(chart->GetTreePanel()->GetWidth(), 240);
    EXPECT_EQ(chart->GetDateScaler()->GetHeight(), 60);
    EXPECT_EQ(chart->GetGantBackColor(), 0xFFFFFFu);
    chart->CheckInvariants();
}

// The "Columns" verb opens the dialog; its buttons add, move and remove rows,
// OK gives the grid the result and Cancel leaves the grid as it was.
TEST(DesignerPlugin, TheColumnsDialogEditsTheGridThroughItsButtons)
{
    QExtensionManager manager;
    QWidget form;
    TqvGrid* grid = DesignerGrid(manager, form);
    ASSERT_NE(grid, nullptr);
    grid->GetColumns()->Add()->SetHeaderText("Task");
    auto* menu = qt_extension<QDesignerTaskMenuExtension*>(&manager, grid);
    ASSERT_NE(menu, nullptr);

    auto click = [](QDialog* aDialog, const QString& aText) {
        for (QAbstractButton* b : aDialog->findChildren<QAbstractButton*>())
            if (b->text().remove('&') == aText) {
                QTest::mouseClick(b, Qt::LeftButton);
                return true;
            }
        ADD_FAILURE() << "no button " << aText.toStdString();
        return false;
    };
    // Runs a step on the dialog once it is shown (it runs its own event loop).
    auto onDialog = [](std::function<void(QDialog*)> aStep) {
        QTimer::singleShot(0, [aStep] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                ADD_FAILURE() << "no dialog is open";
                return;
            }
            aStep(dialog);
        });
    };

    bool seen = false;
    onDialog([&](QDialog* d) {
        seen = true;
        EXPECT_EQ(d->windowTitle(), "Columns");
        auto* view = d->findChild<QTableView*>();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->model()->rowCount(), 1);
        click(d, "Add");
        ASSERT_EQ(view->model()->rowCount(), 2);
        int header = -1;
        for (int c = 0; c < view->model()->columnCount(); ++c)
            if (view->model()->headerData(c, Qt::Horizontal).toString() == "HeaderText") header = c;
        ASSERT_GE(header, 0);
        view->model()->setData(view->model()->index(1, header), "Owner");
        click(d, "Move up"); // the added row is current: it goes first
        click(d, "OK");
    });
    menu->taskActions().front()->trigger();
    ASSERT_TRUE(seen);
    ASSERT_EQ(grid->GetColumns()->Count(), 2);
    EXPECT_EQ(grid->GetColumns()->GetColumn(0)->GetHeaderText(), "Owner");
    EXPECT_EQ(grid->GetColumns()->GetColumn(1)->GetHeaderText(), "Task");

    const QString before = grid->GetColumnsText();
    seen = false;
    onDialog([&](QDialog* d) {
        seen = true;
        auto* view = d->findChild<QTableView*>();
        ASSERT_NE(view, nullptr);
        view->selectRow(0);
        click(d, "Remove");
        EXPECT_EQ(view->model()->rowCount(), 1);
        click(d, "Cancel");
    });
    menu->taskActions().front()->trigger();
    ASSERT_TRUE(seen);
    EXPECT_EQ(grid->GetColumnsText(), before);
}
