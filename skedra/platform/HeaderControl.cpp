#include "skedra/platform/HeaderControl.h"

#include <QScopeGuard>
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScopedValueRollback>

#include <algorithm>

#include "skedra/platform/Messages.h"

namespace skedra
{

namespace detail
{

// The native header's model: one column per section, no rows.
class THeaderModel : public QAbstractTableModel
{
public:
    explicit THeaderModel(THeaderSections* aSections, QObject* aParent)
        : QAbstractTableModel(aParent), FSections(aSections)
    {
    }
    int rowCount(const QModelIndex& = QModelIndex()) const override { return 0; }
    int columnCount(const QModelIndex& aParent = QModelIndex()) const override
    {
        return aParent.isValid() ? 0 : FColumns;
    }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    QVariant headerData(int aSection, Qt::Orientation anOrientation, int aRole) const override
    {
        if (anOrientation != Qt::Horizontal || aSection < 0 || aSection >= FColumns) return {};
        if (aRole == Qt::DisplayRole) return FSections->Items(aSection)->GetText();
        if (aRole == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }
    void InsertColumn(int anIndex)
    {
        beginInsertColumns(QModelIndex(), anIndex, anIndex);
        ++FColumns;
        endInsertColumns();
    }
    void RemoveColumn(int anIndex)
    {
        beginRemoveColumns(QModelIndex(), anIndex, anIndex);
        --FColumns;
        endRemoveColumns();
    }
    void TextChanged(int anIndex) { emit headerDataChanged(Qt::Horizontal, anIndex, anIndex); }

private:
    THeaderSections* FSections;
    int FColumns = 0;
};

} // namespace detail

// ---------------------------------------------------------------------------
// THeaderSection

void THeaderSection::SetText(const QString& aValue)
{
    if (FText == aValue) return;
    FText = aValue;
    const int i = GetIndex();
    if (i >= 0) FOwner->FHeader->FModel->TextChanged(i);
}

int THeaderSection::GetIndex() const
{
    return FOwner->IndexOf(this);
}

int THeaderSection::GetWidth() const
{
    const int i = GetIndex();
    return i < 0 ? 0 : FOwner->FHeader->FView->sectionSize(i);
}

void THeaderSection::SetWidth(int aValue)
{
    const int i = GetIndex();
    if (i < 0) return;
    THeaderControl* header = FOwner->FHeader;
    QScopedValueRollback guard(header->FSettingWidth, header->FSettingWidth + 1);
    header->FView->resizeSection(i, std::max(0, aValue));
}

int THeaderSection::GetLeft() const
{
    const int i = GetIndex();
    if (i < 0) return 0;
    const QHeaderView* view = FOwner->FHeader->FView;
    return view->sectionPosition(i) - view->offset();
}

// ---------------------------------------------------------------------------
// THeaderSections

THeaderSection* THeaderSections::Items(int anIndex) const
{
    if (anIndex < 0 || anIndex >= Count()) throw EListError::IndexOutOfBounds(anIndex);
    return FItems[static_cast<size_t>(anIndex)].get();
}

THeaderSection* THeaderSections::Add()
{
    return Insert(Count());
}

THeaderSection* THeaderSections::Insert(int anIndex)
{
    if (anIndex < 0 || anIndex > Count()) throw EListError::IndexOutOfBounds(anIndex);
    auto section = std::unique_ptr<THeaderSection>(new THeaderSection(this));
    THeaderSection* result = section.get();
    FItems.insert(FItems.begin() + anIndex, std::move(section));
    QScopedValueRollback guard(FHeader->FSettingWidth, FHeader->FSettingWidth + 1);
    FHeader->FModel->InsertColumn(anIndex);
    return result;
}

void THeaderSections::Delete(int anIndex)
{
    if (anIndex < 0 || anIndex >= Count()) throw EListError::IndexOutOfBounds(anIndex);
    QScopedValueRollback guard(FHeader->FSettingWidth, FHeader->FSettingWidth + 1);
    FHeader->FModel->RemoveColumn(anIndex);
    FItems.erase(FItems.begin() + anIndex);
}

void THeaderSections::Clear()
{
    BeginUpdate();
    const auto end = qScopeGuard([this] { EndUpdate(); });
    while (Count() > 0)
        Delete(Count() - 1);
}

int THeaderSections::IndexOf(const THeaderSection* aSection) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == aSection) return static_cast<int>(i);
    return -1;
}

void THeaderSections::BeginUpdate()
{
    if (FUpdateCount++ == 0) FHeader->FView->setUpdatesEnabled(false);
}

void THeaderSections::EndUpdate()
{
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0) {
        FHeader->FView->setUpdatesEnabled(true);
        FHeader->FView->viewport()->update();
    }
}

// ---------------------------------------------------------------------------
// THeaderControl

THeaderControl::THeaderControl(QWidget* aParent)
    : TWinControl(aParent), FSections(this), FModel(new detail::THeaderModel(&FSections, this)),
      FView(new QHeaderView(Qt::Horizontal, this))
{
    FView->setModel(FModel);
    FView->setMinimumSectionSize(0);
    FView->setDefaultSectionSize(50);
    FView->setStretchLastSection(false);
    FView->setSectionsClickable(true);
    FView->setSectionsMovable(false);
    FView->setHighlightSections(false);
    FView->setSectionResizeMode(QHeaderView::Interactive);
    FView->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FView->setFrameShape(QFrame::NoFrame);
    FView->setGeometry(GetClientRect().ToQRect());
    FView->viewport()->installEventFilter(this);
    FView->viewport()->setMouseTracking(true);
    QObject::connect(FView, &QHeaderView::sectionResized, this,
                     [this](int i, int o, int n) { GuardedCall([&] { NativeSectionResized(i, o, n); }); });
    QObject::connect(FView, &QHeaderView::sectionClicked, this,
                     [this](int i) { GuardedCall([&] { NativeSectionClicked(i); }); });
    SetHeight(17);
}

THeaderControl::~THeaderControl()
{
    MarkDestroying();
    FView->viewport()->removeEventFilter(this);
}

void THeaderControl::SetAllowResize(bool aValue)
{
    FAllowResize = aValue;
    FView->setSectionResizeMode(aValue ? QHeaderView::Interactive : QHeaderView::Fixed);
}

int THeaderControl::SectionAt(int X) const
{
    for (int i = FSections.Count() - 1; i >= 0; --i) {
        const int w = FView->sectionSize(i);
        const int left = FView->sectionPosition(i) - FView->offset();
        if (w > 0 && left <= X && X < left + w) return i;
    }
    return -1;
}

int THeaderControl::SectionWidth(int anIndex) const
{
    return anIndex >= 0 && anIndex < FSections.Count() ? FView->sectionSize(anIndex) : 0;
}

void THeaderControl::BoundsChanged(bool aSizeChanged)
{
    TWinControl::BoundsChanged(aSizeChanged);
    if (aSizeChanged) FView->setGeometry(GetClientRect().ToQRect());
}

bool THeaderControl::eventFilter(QObject* aWatched, QEvent* anEvent)
{
    if (aWatched != FView->viewport() || IsDestroying()) return TWinControl::eventFilter(aWatched, anEvent);
    const QEvent::Type type = anEvent->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return TWinControl::eventFilter(aWatched, anEvent);
    auto* e = static_cast<QMouseEvent*>(anEvent);
    const QPointF local = FView->viewport()->mapTo(this, e->position().toPoint());
    QMouseEvent copy(type, local, e->scenePosition(), e->globalPosition(), e->button(), e->buttons(),
                     e->modifiers(), e->pointingDevice());
    const QPointer<QObject> alive(this);
    switch (type) {
    case QEvent::MouseButtonPress:
        FMouseToNative = true;
        mousePressEvent(&copy);
        break;
    case QEvent::MouseButtonDblClick:
        FMouseToNative = true;
        mouseDoubleClickEvent(&copy);
        break;
    case QEvent::MouseMove:
        mouseMoveEvent(&copy);
        break;
    default:
        mouseReleaseEvent(&copy);
        break;
    }
    if (alive.isNull()) return true;
    // A drag started by the press owns the rest of it.
    if (Dragging()) FMouseToNative = false;
    const bool eat = !FMouseToNative;
    if (type == QEvent::MouseButtonRelease) FMouseToNative = true;
    return eat;
}

void THeaderControl::NativeSectionResized(int anIndex, int /*anOldSize*/, int /*aNewSize*/)
{
    if (FSettingWidth > 0 || anIndex < 0 || anIndex >= FSections.Count()) return;
    SectionResize(FSections.Items(anIndex));
}

void THeaderControl::NativeSectionClicked(int anIndex)
{
    if (anIndex < 0 || anIndex >= FSections.Count()) return;
    SectionClick(FSections.Items(anIndex));
}

void THeaderControl::SectionResize(THeaderSection* aSection)
{
    OnSectionResize(this, aSection);
}

void THeaderControl::SectionClick(THeaderSection* aSection)
{
    OnSectionClick(this, aSection);
}

} // namespace skedra
