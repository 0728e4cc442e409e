#include "skedra/registration/GridColumnsEditor.h"

#include <QtDesigner/QDesignerFormWindowCursorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>

#include <QAction>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

#include "skedra/grid/GridColumnsText.h"
#include "skedra/grid/qvGrid.h"

namespace skedra
{

namespace
{

// The stored properties, in the order the editor shows them.
const QStringList& PropertyNames()
{
    static const QStringList names = {
        QStringLiteral("HeaderText"),        QStringLiteral("Width"),      QStringLiteral("Kind"),
        QStringLiteral("SortEnable"),        QStringLiteral("ReadOnly"),   QStringLiteral("SubGridName"),
        QStringLiteral("TreeButton"),        QStringLiteral("HasIcon"),    QStringLiteral("Hidden"),
        QStringLiteral("LayoutName"),        QStringLiteral("Groupcells"), QStringLiteral("NumericSort"),
        QStringLiteral("CheckBoxOnDateTime")};
    return names;
}

QJsonObject NewColumn()
{
    return QJsonDocument::fromJson(NewColumnText().toUtf8()).object();
}

} // namespace

TqvGridColumnsModel::TqvGridColumnsModel(const QString& aColumnsText, QObject* aParent)
    : QAbstractTableModel(aParent), FColumns(QJsonDocument::fromJson(aColumnsText.toUtf8()).array())
{
}

int TqvGridColumnsModel::rowCount(const QModelIndex& aParent) const
{
    return aParent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

int TqvGridColumnsModel::columnCount(const QModelIndex& aParent) const
{
    return aParent.isValid() ? 0 : static_cast<int>(PropertyNames().size());
}

QVariant TqvGridColumnsModel::data(const QModelIndex& anIndex, int aRole) const
{
    if (!checkIndex(anIndex, CheckIndexOption::IndexIsValid)) return {};
    const QJsonValue value =
        FColumns.at(anIndex.row()).toObject().value(PropertyNames().at(anIndex.column()));
    const QJsonValue shown =
        value.isUndefined() ? NewColumn().value(PropertyNames().at(anIndex.column())) : value;
    if (shown.isBool()) {
        if (aRole == Qt::CheckStateRole) return shown.toBool() ? Qt::Checked : Qt::Unchecked;
        if (aRole == Qt::EditRole) return shown.toBool();
        return {};
    }
    if (aRole == Qt::DisplayRole || aRole == Qt::EditRole) return shown.toVariant();
    return {};
}

bool TqvGridColumnsModel::setData(const QModelIndex& anIndex, const QVariant& aValue, int aRole)
{
    if (!checkIndex(anIndex, CheckIndexOption::IndexIsValid)) return false;
    const QString name = PropertyNames().at(anIndex.column());
    const QJsonValue current = NewColumn().value(name);
    QJsonValue stored;
    if (current.isBool()) {
        if (aRole == Qt::CheckStateRole)
            stored = aValue.toInt() == Qt::Checked;
        else if (aRole == Qt::EditRole)
            stored = aValue.toBool();
        else
            return false;
    } else if (aRole != Qt::EditRole)
        return false;
    else if (current.isDouble()) {
        bool ok = false;
        const int n = aValue.toInt(&ok);
        if (!ok || n < 0) return false;
        stored = n;
    } else {
        const QString text = aValue.toString();
        if (name == QLatin1String("Kind") && !ColumnKindNames().contains(text)) return false;
        stored = text;
    }
    QJsonObject column = FColumns.at(anIndex.row()).toObject();
    column.insert(name, stored);
    FColumns.replace(anIndex.row(), column);
    emit dataChanged(anIndex, anIndex, {aRole});
    return true;
}

QVariant TqvGridColumnsModel::headerData(int aSection, Qt::Orientation anOrientation, int aRole) const
{
    if (aRole != Qt::DisplayRole) return {};
    if (anOrientation == Qt::Vertical) return aSection;
    return aSection >= 0 && aSection < PropertyNames().size() ? QVariant(PropertyNames().at(aSection))
                                                              : QVariant();
}

Qt::ItemFlags TqvGridColumnsModel::flags(const QModelIndex& anIndex) const
{
    if (!anIndex.isValid()) return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return NewColumn().value(PropertyNames().at(anIndex.column())).isBool() ? base | Qt::ItemIsUserCheckable
                                                                            : base | Qt::ItemIsEditable;
}

bool TqvGridColumnsModel::insertRows(int aRow, int aCount, const QModelIndex& aParent)
{
    if (aParent.isValid() || aRow < 0 || aRow > FColumns.size() || aCount <= 0) return false;
    beginInsertRows(aParent, aRow, aRow + aCount - 1);
    for (int i = 0; i < aCount; ++i)
        FColumns.insert(aRow, NewColumn());
    endInsertRows();
    return true;
}

bool TqvGridColumnsModel::removeRows(int aRow, int aCount, const QModelIndex& aParent)
{
    if (aParent.isValid() || aRow < 0 || aCount <= 0 || aRow + aCount > FColumns.size()) return false;
    beginRemoveRows(aParent, aRow, aRow + aCount - 1);
    for (int i = 0; i < aCount; ++i)
        FColumns.removeAt(aRow);
    endRemoveRows();
    return true;
}

bool TqvGridColumnsModel::moveRows(const QModelIndex& aSourceParent, int aSourceRow, int aCount,
                                   const QModelIndex& aDestinationParent, int aDestinationChild)
{
    const int n = static_cast<int>(FColumns.size());
    if (aSourceParent.isValid() || aDestinationParent.isValid() || aCount <= 0 || aSourceRow < 0 ||
        aSourceRow + aCount > n || aDestinationChild < 0 || aDestinationChild > n ||
        (aDestinationChild >= aSourceRow && aDestinationChild <= aSourceRow + aCount))
        return false;
    if (!beginMoveRows(aSourceParent, aSourceRow, aSourceRow + aCount - 1, aDestinationParent,
                       aDestinationChild))
        return false;
    QJsonArray moved;
    for (int i = 0; i < aCount; ++i)
        moved.append(FColumns.takeAt(aSourceRow));
    const int at = aDestinationChild > aSourceRow ? aDestinationChild - aCount : aDestinationChild;
    for (int i = 0; i < aCount; ++i)
        FColumns.insert(at + i, moved.at(i));
    endMoveRows();
    return true;
}

QString TqvGridColumnsModel::ColumnsText() const
{
    return QString::fromUtf8(QJsonDocument(FColumns).toJson(QJsonDocument::Compact));
}

TqvGridColumnsEditor::TqvGridColumnsEditor(const QString& aColumnsText, QWidget* aParent)
    : QDialog(aParent), FModel(new TqvGridColumnsModel(aColumnsText, this)), FView(new QTableView(this))
{
    setWindowTitle(QStringLiteral("Columns"));
    FView->setModel(FModel);
    FView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* add = new QPushButton(QStringLiteral("Add"), this);
    auto* remove = new QPushButton(QStringLiteral("Remove"), this);
    auto* up = new QPushButton(QStringLiteral("Move up"), this);
    auto* down = new QPushButton(QStringLiteral("Move down"), this);
    connect(add, &QPushButton::clicked, this, [this] {
        const int row = FModel->rowCount();
        FModel->insertRows(row, 1);
        FView->selectRow(row);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        const QModelIndex current = FView->currentIndex();
        if (current.isValid()) FModel->removeRows(current.row(), 1);
    });
    connect(up, &QPushButton::clicked, this, [this] { MoveCurrent(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveCurrent(1); });
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, remove, up, down})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(FView, 1);
    body->addLayout(buttons);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(box);
    resize(760, 320);
}

void TqvGridColumnsEditor::MoveCurrent(int aDelta)
{
    const QModelIndex current = FView->currentIndex();
    if (!current.isValid()) return;
    const int row = current.row();
    const int target = row + aDelta;
    if (target < 0 || target >= FModel->rowCount()) return;
    // moveRows takes the destination as the row the moved one goes before.
    if (FModel->moveRows({}, row, 1, {}, aDelta > 0 ? target + 1 : target)) FView->selectRow(target);
}

TqvGridEditorWakeUpGlue::TqvGridEditorWakeUpGlue(TqvGrid* aGrid, QObject* aParent)
    : QObject(aParent), FGrid(aGrid), FColumnsAction(new QAction(QStringLiteral("Columns"), this))
{
    connect(FColumnsAction, &QAction::triggered, this, &TqvGridEditorWakeUpGlue::EditColumns);
}

QAction* TqvGridEditorWakeUpGlue::preferredEditAction() const
{
    return FColumnsAction;
}

QList<QAction*> TqvGridEditorWakeUpGlue::taskActions() const
{
    return {FColumnsAction};
}

QAbstractItemModel* TqvGridEditorWakeUpGlue::NewColumnsModel()
{
    return new TqvGridColumnsModel(FGrid ? FGrid->GetColumnsText() : QString(), this);
}

void TqvGridEditorWakeUpGlue::ApplyColumnsModel(QAbstractItemModel* aModel)
{
    if (auto* model = qobject_cast<TqvGridColumnsModel*>(aModel)) ApplyColumnsText(model->ColumnsText());
}

void TqvGridEditorWakeUpGlue::EditColumns()
{
    if (!FGrid) return;
    TqvGridColumnsEditor editor(FGrid->GetColumnsText(), FGrid->window());
    if (editor.exec() == QDialog::Accepted) ApplyColumnsText(editor.ColumnsText());
}

void TqvGridEditorWakeUpGlue::ApplyColumnsText(const QString& aText)
{
    if (!FGrid) return;
    // Through the form window the change is undoable and marks the form changed.
    if (QDesignerFormWindowInterface* form = QDesignerFormWindowInterface::findFormWindow(FGrid.data())) {
        form->cursor()->setWidgetProperty(FGrid.data(), QStringLiteral("Columns"), aText);
        return;
    }
    FGrid->SetColumnsText(aText);
}

TqvGridTaskMenuFactory::TqvGridTaskMenuFactory(QExtensionManager* aManager) : QExtensionFactory(aManager) {}

QObject* TqvGridTaskMenuFactory::createExtension(QObject* anObject, const QString& anIid,
                                                 QObject* aParent) const
{
    if (anIid != QLatin1String(Q_TYPEID(QDesignerTaskMenuExtension))) return nullptr;
    if (auto* grid = qobject_cast<TqvGrid*>(anObject)) return new TqvGridEditorWakeUpGlue(grid, aParent);
    return nullptr;
}

} // namespace skedra
