// The data-bound tree: 60 projects whose tasks and steps are created only
// when the user opens them (a few thousand entities once all are open), with
// multi-selection, grid lines, fonts per entity and label editing (F2).
#include <QLabel>
#include <QVBoxLayout>

#include "examples/demo/DemoPage.h"
#include "skedra/tree/qvTree.h"

namespace
{

using namespace skedra;

class TreePage : public QWidget
{
public:
    explicit TreePage(QWidget* parent) : QWidget(parent)
    {
        auto* layout = new QVBoxLayout(this);
        auto* hint = new QLabel(
            QStringLiteral(
                "Open a project to create its tasks. Ctrl and Shift select several; F2 edits a caption."),
            this);
        status = new QLabel(this);
        tree = new TqvTree(this);
        layout->addWidget(hint);
        layout->addWidget(tree, 1);
        layout->addWidget(status);

        tree->SetMultiSelect(true);
        tree->SetDrawGridLines(true);
        tree->OnBeforeCanEditItem = [](TObject*, TqvDataEntity* e) { e->CanEdit = true; };
        tree->OnExpanding = [this](TObject*, TTreeNode* node, bool&) {
            Fill(tree->GetDataEntityFromNode(node));
        };
        tree->OnCurrentDataEntityChange = [this](TqvTree_ComBasic*, TqvDataEntity_Tree* e) {
            status->setText(e ? QStringLiteral("Current: %1 (level %2)").arg(e->GetText()).arg(e->GetLevel())
                              : QStringLiteral("No current entity"));
        };
        for (int p = 1; p <= 60; ++p) {
            TqvDataEntity_Tree* project = tree->AddDataEntity(nullptr);
            project->SetText(QStringLiteral("Project %1").arg(p));
            if (p % 10 == 1) project->SetFontStyle(TFontStyles{fsBold});
        }
        tree->GetRootDataList()->GetTreeItem(0)->SetExpanded(true);
    }

private:
    // Children appear the first time an entity opens; steps have none.
    void Fill(TqvDataEntity_Tree* e)
    {
        if (e == nullptr || e->GetSubDataList()->Count() > 0) return;
        const int level = e->GetLevel();
        if (level >= 2) return;
        const int count = level == 0 ? 40 : 6;
        for (int i = 1; i <= count; ++i) {
            TqvDataEntity_Tree* child = tree->AddDataEntity(e);
            child->SetText(level == 0 ? QStringLiteral("Task %1.%2").arg(e->ListIndex() + 1).arg(i)
                                      : QStringLiteral("Step %1").arg(i));
            if (level == 1 && i == count) child->SetFontStyle(TFontStyles{fsItalic});
        }
    }

    TqvTree* tree = nullptr;
    QLabel* status = nullptr;
};

DemoPageRegistration treePage(DemoPage{
    60, QStringLiteral("Tree"), [](QWidget* parent) -> QWidget* { return new TreePage(parent); }, {}});

} // namespace
