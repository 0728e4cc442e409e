// The native tree view control: mouse, keys, painting and in-place editing.
#include "skedra/platform/TreeView.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QPointer>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>

#include "skedra/platform/ImageList.h"
#include "skedra/platform/TreeView_p.h"

namespace skedra
{

using detail::NodeOf;
using detail::TTreeItem;

// ---------------------------------------------------------------------------
// Mouse

static TWMMouse MouseMessage(QMouseEvent* e, TMouseButton aButton)
{
    TWMMouse m;
    m.Button = aButton;
    m.Shift = ShiftStateFromQt(e->modifiers(), e->buttons());
    const QPoint p = e->position().toPoint();
    m.XPos = p.x();
    m.YPos = p.y();
    return m;
}

void TCustomTreeView::NativeMouse(QMouseEvent* e, TNativeMouseKind aKind)
{
    e->accept();
    // An in-process drag started by this tree follows the pointer through
    // the control's own drag handling.
    if (Dragging() && (aKind == nmkRelease || aKind == nmkMove)) {
        const TPoint off = ClientOffset();
        QMouseEvent mapped(e->type(), e->position() + QPointF(off.X, off.Y), e->globalPosition(), e->button(),
                           e->buttons(), e->modifiers());
        if (aKind == nmkMove)
            TWinControl::mouseMoveEvent(&mapped);
        else
            TWinControl::mouseReleaseEvent(&mapped);
        return;
    }
    GuardedCall([&] {
        TMouseButton button = mbLeft;
        if (e->button() == Qt::RightButton)
            button = mbRight;
        else if (e->button() == Qt::MiddleButton)
            button = mbMiddle;
        TWMMouse msg = MouseMessage(e, button);
        switch (aKind) {
        case nmkPress:
            if (button == mbLeft)
                WMLButtonDown(msg);
            else if (button == mbRight)
                WMRButtonDown(msg);
            else
                MouseDown(button, msg.Shift, msg.XPos, msg.YPos);
            break;
        case nmkRelease:
            if (button == mbLeft)
                WMLButtonUp(msg);
            else if (button == mbRight)
                WMRButtonUp(msg);
            else
                MouseUp(button, msg.Shift, msg.XPos, msg.YPos);
            break;
        case nmkMove:
            WMMouseMove(msg);
            break;
        case nmkDoubleClick:
            if (button == mbLeft)
                WMLButtonDblClk(msg);
            else if (button == mbRight)
                WMRButtonDown(msg);
            break;
        }
    });
}

void TCustomTreeView::DefaultLButtonDown(const TWMMouse& Msg)
{
    ++FEditGeneration;
    FLeftDown = true;
    FDoubleClicked = false;
    FPressDragged = false;
    FPressNode = nullptr;
    if (IsEditing()) EditorDone(false);
    if (FNative->focusPolicy() != Qt::NoFocus && !FNative->hasFocus())
        FNative->setFocus(Qt::MouseFocusReason);
    TTreeNode* node = GetNodeAt(Msg.XPos, Msg.YPos);
    if (node == nullptr) return;
    if (HitButton(node, Msg.XPos)) {
        DoSetExpanded(node, !node->FExpanded);
        return;
    }
    FPressNode = node;
    FPressPos = TPoint(Msg.XPos, Msg.YPos);
    FPressOnSelected = node == GetSelected();
    if (!FPressOnSelected) SelectByUser(node);
}

void TCustomTreeView::WMLButtonDown(TWMMouse& Msg)
{
    DefaultLButtonDown(Msg);
    if (GetDragMode() == dmAutomatic && FPressNode != nullptr) {
        BeginDrag(false);
        return;
    }
    MouseDown(mbLeft, Msg.Shift, Msg.XPos, Msg.YPos);
}

void TCustomTreeView::WMLButtonUp(TWMMouse& Msg)
{
    const bool wasDown = FLeftDown;
    FLeftDown = false;
    TTreeNode* node = GetNodeAt(Msg.XPos, Msg.YPos);
    if (wasDown && FPressNode != nullptr && node == FPressNode && FPressOnSelected && !FPressDragged &&
        !FDoubleClicked && !FReadOnly && !HitButton(node, Msg.XPos)) {
        // A slow second click on the selected node's label: edit it unless a
        // double click follows within the double-click time.
        const TRect text = node->DisplayRect(true);
        if (FRowSelect || (Msg.XPos >= text.Left && Msg.XPos < text.Right)) StartEditTimer();
    }
    if (wasDown && FPressNode != nullptr && !FPressDragged) Click();
    MouseUp(mbLeft, Msg.Shift, Msg.XPos, Msg.YPos);
}

void TCustomTreeView::StartEditTimer()
{
    const int generation = ++FEditGeneration;
    TTreeNode* node = FPressNode;
    QPointer<QWidget> guard(FNative);
    QTimer::singleShot(QApplication::doubleClickInterval(), FNative, [this, generation, node, guard] {
        if (!guard || generation != FEditGeneration || FDestroying) return;
        GuardedCall([&] {
            if (node == GetSelected() && node != nullptr) StartEdit(node);
        });
    });
}

void TCustomTreeView::WMLButtonDblClk(TWMMouse& Msg)
{
    ++FEditGeneration;
    FLeftDown = true;
    FDoubleClicked = true;
    TTreeNode* node = GetNodeAt(Msg.XPos, Msg.YPos);
    if (node != nullptr && HitButton(node, Msg.XPos)) {
        DoSetExpanded(node, !node->FExpanded);
    } else {
        DblClick();
        if (node != nullptr && node->HasChildren()) DoSetExpanded(node, !node->FExpanded);
    }
    MouseDown(mbLeft, Msg.Shift + ssDouble, Msg.XPos, Msg.YPos);
}

void TCustomTreeView::DefaultRButtonDown(const TWMMouse& Msg, bool aRightClickSelect)
{
    FRightDown = true;
    if (IsEditing()) EditorDone(false);
    if (FNative->focusPolicy() != Qt::NoFocus && !FNative->hasFocus())
        FNative->setFocus(Qt::MouseFocusReason);
    if (aRightClickSelect) {
        if (TTreeNode* node = GetNodeAt(Msg.XPos, Msg.YPos)) SelectByUser(node);
    }
    MouseDown(mbRight, Msg.Shift, Msg.XPos, Msg.YPos);
}

void TCustomTreeView::WMRButtonDown(TWMMouse& Msg)
{
    DefaultRButtonDown(Msg, FRightClickSelect);
}

void TCustomTreeView::WMRButtonUp(TWMMouse& Msg)
{
    const bool wasDown = FRightDown;
    FRightDown = false;
    if (wasDown) TreeNotify(tncRightClick, GetNodeAt(Msg.XPos, Msg.YPos));
    MouseUp(mbRight, Msg.Shift, Msg.XPos, Msg.YPos);
}

void TCustomTreeView::WMMouseMove(TWMMouse& Msg)
{
    if (FLeftDown && FPressNode != nullptr && !FPressDragged) {
        const int d = std::abs(Msg.XPos - FPressPos.X) + std::abs(Msg.YPos - FPressPos.Y);
        if (d >= QApplication::startDragDistance()) {
            FPressDragged = true;
            ++FEditGeneration;
            TreeNotify(tncBeginDrag, FPressNode);
        }
    }
    MouseMove(Msg.Shift, Msg.XPos, Msg.YPos);
}

// ---------------------------------------------------------------------------
// Keys

void TCustomTreeView::NativeKey(QKeyEvent* e, bool aDown)
{
    e->accept();
    GuardedCall([&] {
        TWMKey msg;
        msg.CharCode = KeyCodeFromQt(e);
        msg.Shift = ShiftStateFromQt(e->modifiers());
        msg.Text = e->text();
        if (aDown) {
            WMKeyDown(msg);
            if (!msg.Text.isEmpty() && msg.Text.at(0).isPrint() && !msg.Shift.Contains(ssCtrl) &&
                !msg.Shift.Contains(ssAlt)) {
                QChar c = msg.Text.at(0);
                KeyPress(c);
            }
        } else {
            WMKeyUp(msg);
        }
    });
}

void TCustomTreeView::WMKeyDown(TWMKey& Msg)
{
    Word key = Msg.CharCode;
    KeyDown(key, Msg.Shift);
    if (key != 0) DefaultKeyDown(key, Msg.Shift);
    Msg.CharCode = key;
}

void TCustomTreeView::WMKeyUp(TWMKey& Msg)
{
    Word key = Msg.CharCode;
    KeyUp(key, Msg.Shift);
    Msg.CharCode = key;
}

void TCustomTreeView::DefaultKeyDown(Word& Key, TShiftState Shift)
{
    TTreeNode* sel = GetSelected();
    const int rows = GetVisibleRowCount();
    if (rows == 0) return;
    const int row = sel ? GetRowOfNode(sel) : -1;
    const int page = std::max(1, GetVisibleRowsInView() - 1);
    auto go = [&](int r) { SelectByUser(GetNodeFromRow(std::clamp(r, 0, rows - 1))); };
    switch (Key) {
    case VK_UP:
        if (Shift.Contains(ssCtrl))
            ScrollRows(-1);
        else
            go(row < 0 ? 0 : row - 1);
        break;
    case VK_DOWN:
        if (Shift.Contains(ssCtrl))
            ScrollRows(1);
        else
            go(row < 0 ? 0 : row + 1);
        break;
    case VK_HOME:
        go(0);
        break;
    case VK_END:
        go(rows - 1);
        break;
    case VK_PRIOR:
        go(row < 0 ? 0 : row - page);
        break;
    case VK_NEXT:
        go(row < 0 ? 0 : row + page);
        break;
    case VK_LEFT:
        if (sel == nullptr) break;
        if (sel->FExpanded && sel->HasChildren())
            DoSetExpanded(sel, false);
        else if (TTreeNode* p = sel->GetParent())
            SelectByUser(p);
        break;
    case VK_RIGHT:
        if (sel == nullptr || !sel->HasChildren()) break;
        if (!sel->FExpanded)
            DoSetExpanded(sel, true);
        else
            SelectByUser(sel->GetFirstChild());
        break;
    case VK_ADD:
        if (sel) DoSetExpanded(sel, true);
        break;
    case VK_SUBTRACT:
        if (sel) DoSetExpanded(sel, false);
        break;
    case VK_MULTIPLY:
        if (sel) sel->Expand(true);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Painting

void TCustomTreeView::NativePaint()
{
    WMPaint();
    TreeNotify(tncGetDispInfo, nullptr);
}

void TCustomTreeView::DrawBranches(QPainter* aPainter, const QRect& aRect, TTreeNode* aNode)
{
    aPainter->fillRect(aRect, ToQColor(GetColor()));
    const int levels = aNode->GetLevel() + RootIndentLevels();
    if (levels == 0) return;
    const int cy = aRect.top() + aRect.height() / 2;
    const QColor lineColor = ToQColor(clGray);
    auto dottedV = [&](int x, int y1, int y2) {
        aPainter->setPen(lineColor);
        for (int y = y1; y < y2; ++y) {
            if (((x + y) & 1) == 0) aPainter->drawPoint(x, y);
        }
    };
    auto dottedH = [&](int x1, int x2, int y) {
        aPainter->setPen(lineColor);
        for (int x = x1; x < x2; ++x) {
            if (((x + y) & 1) == 0) aPainter->drawPoint(x, y);
        }
    };
    const int ownCell = levels - 1;
    const int cellLeft = aRect.left() + ownCell * FIndent;
    const int cx = cellLeft + FIndent / 2;
    if (FShowLines) {
        // Continuation lines of the ancestors that have a next sibling.
        int cell = ownCell - 1;
        for (TTreeNode* a = aNode->GetParent(); a != nullptr && cell >= 0; a = a->GetParent(), --cell) {
            if (a->GetNextSibling() != nullptr)
                dottedV(aRect.left() + cell * FIndent + FIndent / 2, aRect.top(), aRect.bottom() + 1);
        }
        const bool first = aNode->GetParent() == nullptr && aNode->GetIndex() == 0;
        const int yTop = first ? cy : aRect.top();
        const int yBottom = aNode->GetNextSibling() != nullptr ? aRect.bottom() + 1 : cy + 1;
        dottedV(cx, yTop, yBottom);
        dottedH(cx, cellLeft + FIndent, cy);
    }
    if (FShowButtons && aNode->HasChildren()) {
        const QRect box(cx - 4, cy - 4, 9, 9);
        aPainter->fillRect(box, ToQColor(clWindow));
        aPainter->setPen(ToQColor(clGray));
        aPainter->drawRect(box.adjusted(0, 0, -1, -1));
        aPainter->setPen(ToQColor(clBlack));
        aPainter->drawLine(cx - 2, cy, cx + 2, cy);
        if (!aNode->FExpanded) aPainter->drawLine(cx, cy - 2, cx, cy + 2);
    }
}

void TCustomTreeView::DrawItem(QPainter* aPainter, TTreeNode* aNode, const QRect& aCell)
{
    TCanvas* c = FItemCanvas.get();
    c->SetPainter(aPainter);
    const auto unbind = qScopeGuard([c] { c->SetPainter(nullptr); });

    aPainter->fillRect(aCell, ToQColor(GetColor()));
    const bool selected = aNode == GetSelected();
    const bool focused = FNative->hasFocus();
    TCustomDrawState state;
    if (selected) state += cdsSelected;
    if (selected && focused) state += cdsFocused;

    c->Font.Assign(*GetFont());
    c->Brush.SetStyle(bsSolid);
    c->Brush.SetColor(GetColor());
    c->Pen.SetColor(clBlack);
    c->Pen.SetStyle(psSolid);
    c->Pen.SetMode(pmCopy);
    c->Pen.SetWidth(1);
    if (selected && (focused || !FHideSelection)) {
        c->Brush.SetColor(focused ? clHighlight : clBtnFace);
        c->Font.SetColor(focused ? clHighlightText : clWindowText);
    } else {
        c->Font.SetColor(clWindowText);
    }
    bool paintImages = true;
    TreeNotify(tncCustomDraw, aNode);
    if (IsCustomDrawn() && !CustomDrawItem(aNode, state, cdPrePaint, paintImages)) return;

    const int imageW = ImageWidth();
    int x = aCell.left();
    if (FImages != nullptr && paintImages) {
        const int index = selected ? aNode->FSelectedIndex : aNode->FImageIndex;
        FImages->Draw(c, x, aCell.top() + (aCell.height() - FImages->GetHeight()) / 2, index);
    }
    x += imageW;
    const QFont font = c->Font.Handle();
    const int textW = QFontMetrics(font).horizontalAdvance(aNode->FText) + 4;
    const QRect label = FRowSelect
                            ? QRect(x, aCell.top(), std::max(textW, aCell.right() + 1 - x), aCell.height())
                            : QRect(x, aCell.top(), textW, aCell.height());
    if (c->Brush.GetStyle() != bsClear) aPainter->fillRect(label, ToQColor(c->Brush.GetColor()));
    aPainter->setFont(font);
    aPainter->setPen(ToQColor(c->Font.GetColor()));
    aPainter->drawText(QRect(x + 2, aCell.top(), textW, aCell.height()), Qt::AlignLeft | Qt::AlignVCenter,
                       aNode->FText);
    if (selected && focused && !IsCustomDrawn()) {
        TCanvas focusCanvas(aPainter);
        focusCanvas.DrawFocusRect(TRect::From(label));
    }
    if (IsCustomDrawn()) {
        bool dummy = true;
        OnAdvancedCustomDrawItem(this, aNode, state, cdPostPaint, paintImages, dummy);
    }
}

// ---------------------------------------------------------------------------
// In-place editing

bool TCustomTreeView::StartEdit(TTreeNode* aNode)
{
    if (aNode == nullptr || aNode->GetTreeView() != this || FReadOnly) return false;
    if (IsEditing()) EditorDone(false);
    {
        TTreeNode* node = aNode;
        const auto watch = WatchNode(node);
        TreeNotify(tncBeginLabelEdit, node);
        if (node == nullptr) return false;
    }
    if (!CanEdit(aNode)) return false;
    if (aNode->GetTreeView() != this) return false; // deleted by a handler
    aNode->MakeVisible();
    EnsureRowVisible(aNode);
    FEditingNode = aNode;
    auto* editor = new detail::TTreeEdit(FNative->viewport());
    // The caption of a node holds at most 255 characters.
    editor->setMaxLength(255);
    editor->setFont(GetFont()->Handle());
    editor->setText(aNode->FText);
    editor->selectAll();
    const TRect r = aNode->DisplayRect(true);
    const int w = std::max(r.Width() + 24, 60);
    editor->setGeometry(r.Left, r.Top, std::min(w, std::max(60, FNative->viewport()->width() - r.Left)),
                        r.Height());
    editor->Done = [this](bool aCancel) { EditorDone(aCancel); };
    editor->Press = [this](QChar& aKey) { KeyPress(aKey); };
    FEditor = editor;
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
    return true;
}

void TCustomTreeView::EditorDone(bool aCancel)
{
    if (FEditor == nullptr || FEndingEdit) return;
    const QScopedValueRollback ending(FEndingEdit, true);
    TTreeNode* node = FEditingNode;
    QString text = FEditor->text();
    QLineEdit* editor = FEditor;
    FEditor = nullptr;
    FEditingNode = nullptr;
    editor->hide();
    editor->deleteLater();
    if (!FDestroying && FNative->isVisible()) FNative->setFocus(Qt::OtherFocusReason);
    if (FDestroying || node == nullptr) return;
    const auto watch = WatchNode(node);
    TreeNotify(tncEndLabelEdit, node);
    if (aCancel || node == nullptr) return;
    Edit(node, text);
    if (node != nullptr) TreeNotify(tncSetDispInfo, node);
}

} // namespace skedra
