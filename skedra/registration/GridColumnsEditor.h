#pragma once
// The grid's design-time column editor: the task-menu verb "Columns" that
// Qt Designer shows for a grid, and the dialog it opens to add, remove, move
// and edit columns. The result goes through the form window, so that it can be
// undone and is saved in the form as the grid's Columns property.

#include <QtDesigner/QDesignerTaskMenuExtension>
#include <QtDesigner/QExtensionFactory>

#include <QAbstractTableModel>
#include <QDialog>
#include <QJsonArray>
#include <QPointer>

class QAction;
class QTableView;

namespace skedra
{

class TqvGrid;

// The columns being edited, one row per column and one column per stored
// property (the header names the property). Rows are added, removed and moved
// through the standard model operations.
class TqvGridColumnsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    TqvGridColumnsModel(const QString& aColumnsText, QObject* aParent);

    int rowCount(const QModelIndex& aParent = {}) const override;
    int columnCount(const QModelIndex& aParent = {}) const override;
    QVariant data(const QModelIndex& anIndex, int aRole) const override;
    bool setData(const QModelIndex& anIndex, const QVariant& aValue, int aRole) override;
    QVariant headerData(int aSection, Qt::Orientation anOrientation, int aRole) const override;
    Qt::ItemFlags flags(const QModelIndex& anIndex) const override;
    bool insertRows(int aRow, int aCount, const QModelIndex& aParent = {}) override;
    bool removeRows(int aRow, int aCount, const QModelIndex& aParent = {}) override;
    bool moveRows(const QModelIndex& aSourceParent, int aSourceRow, int aCount,
                  const QModelIndex& aDestinationParent, int aDestinationChild) override;

    // The edited columns in the grid's Columns text form.
    QString ColumnsText() const;

private:
    QJsonArray FColumns;
};

class TqvGridColumnsEditor : public QDialog
{
    Q_OBJECT
public:
    TqvGridColumnsEditor(const QString& aColumnsText, QWidget* aParent);
    QString ColumnsText() const { return FModel->ColumnsText(); }
    TqvGridColumnsModel* Model() const { return FModel; }

private:
    void MoveCurrent(int aDelta);
    TqvGridColumnsModel* FModel;
    QTableView* FView;
};

// The grid's task menu in Designer: one verb, "Columns".
class TqvGridEditorWakeUpGlue : public QObject, public QDesignerTaskMenuExtension
{
    Q_OBJECT
    Q_INTERFACES(QDesignerTaskMenuExtension)
public:
    TqvGridEditorWakeUpGlue(TqvGrid* aGrid, QObject* aParent);

    QAction* preferredEditAction() const override;
    QList<QAction*> taskActions() const override;

    // A model of the grid's columns as they are now (owned by this object).
    Q_INVOKABLE QAbstractItemModel* NewColumnsModel();
    // Gives the grid the columns of a model from NewColumnsModel: through the
    // form window when the grid is on a form being designed, directly otherwise.
    Q_INVOKABLE void ApplyColumnsModel(QAbstractItemModel* aModel);

private:
    void EditColumns();
    void ApplyColumnsText(const QString& aText);
    QPointer<TqvGrid> FGrid;
    QAction* FColumnsAction;
};

class TqvGridTaskMenuFactory : public QExtensionFactory
{
    Q_OBJECT
public:
    explicit TqvGridTaskMenuFactory(QExtensionManager* aManager);

protected:
    QObject* createExtension(QObject* anObject, const QString& anIid, QObject* aParent) const override;
};

} // namespace skedra
