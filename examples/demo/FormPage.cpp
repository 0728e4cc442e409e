// A form made in Qt Designer: PlanningForm.ui is loaded with QUiLoader, which
// makes the package's widgets through its Designer plugin, with the
// properties set in the form. The code only fills the tree and shows what the
// tree's popup menu picks (right-click the tree, or the button).
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QUiLoader>
#include <QVBoxLayout>

#include "examples/demo/DemoPage.h"
#include "skedra/platform/DateTime.h"
#include "skedra/scaler/qvScaler.h"
#include "skedra/tree/qvTree.h"
#include "skedra/tree/qvTreePopup.h"

namespace
{

using namespace skedra;

template <class T> T* Find(QWidget* aForm, const char* aName)
{
    return dynamic_cast<T*>(aForm->findChild<QWidget*>(QString::fromLatin1(aName)));
}

QWidget* Problem(QWidget* aPage, const QString& aText)
{
    auto* label = new QLabel(aText, aPage);
    label->setWordWrap(true);
    aPage->layout()->addWidget(label);
    return aPage;
}

void FillProjects(TqvTree* aTree)
{
    const QStringList projects{"Warehouse", "Bridge repair", "Office move", "Harbour crane", "Ferry dock"};
    for (const QString& name : projects) {
        TqvDataEntity_Tree* project = aTree->AddDataEntity(nullptr);
        project->SetText(name);
        for (int i = 1; i <= 4; ++i)
            aTree->AddDataEntity(project)->SetText(QStringLiteral("%1, phase %2").arg(name).arg(i));
    }
}

QWidget* CreateFormPage(QWidget* parent)
{
    auto* page = new QWidget(parent);
    new QVBoxLayout(page);
    QUiLoader loader;
    // Beside Qt's own plugin folders: where this build put the plugin.
    loader.addPluginPath(QStringLiteral(SKEDRA_DEMO_DESIGNER_PLUGIN_DIR));
    if (!loader.availableWidgets().contains(QStringLiteral("skedra::TqvTree")))
        return Problem(page, QStringLiteral("The Skedra Designer plugin was not found: install it into Qt's "
                                            "plugins/designer folder or add its folder to QT_PLUGIN_PATH."));
    QFile file(QStringLiteral(":/forms/PlanningForm.ui"));
    file.open(QIODevice::ReadOnly);
    QWidget* form = loader.load(&file, page);
    if (form == nullptr) return Problem(page, loader.errorString());
    page->layout()->addWidget(form);

    auto* scaler = Find<TqvDateScaler>(form, "scaler");
    auto* tree = Find<TqvTree>(form, "projects");
    auto* menu = Find<TqvTreePopupHolder>(form, "projectsMenu");
    auto* button = Find<QPushButton>(form, "pickButton");
    auto* picked = Find<QLabel>(form, "picked");
    if (!scaler || !tree || !menu || !button || !picked)
        return Problem(page, QStringLiteral("The form is incomplete."));

    scaler->SetStart(EncodeDate(2024, 3, 4));
    scaler->SetStop(EncodeDate(2024, 3, 25));
    FillProjects(tree);
    TqvTreePopup* popup = menu->GetPopupMenu();
    popup->OnUserPickDataEntity = [picked](TqvTreePopup*, TqvDataEntity_Tree* e) {
        picked->setText(QStringLiteral("Picked: %1").arg(e->GetText()));
    };
    QObject::connect(button, &QPushButton::clicked, button, [button, popup] {
        const QPoint at = button->mapToGlobal(QPoint(0, button->height()));
        popup->Popup(at.x(), at.y());
    });
    return page;
}

DemoPageRegistration formPage(DemoPage{95, QStringLiteral("Designer form"), CreateFormPage, {}});

} // namespace
