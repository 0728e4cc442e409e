#pragma once
// Editor controls over Qt widgets: single-line edit, memo, drop-down list,
// check box and date-time picker. Each delivers the toolkit's key-down and
// character notifications before the Qt widget sees a key (a handler that
// sets the key to 0 swallows it), a change notification, and the exit
// notification when the focus leaves it for another control.

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

#include "skedra/platform/Controls.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

template <class QtBase> class TEditorControl : public QtBase, public TObject
{
public:
    explicit TEditorControl(QWidget* aParent = nullptr) : QtBase(aParent) {}

    // The control takes Tab itself instead of moving the focus.
    bool GetWantTabs() const { return FWantTabs; }
    void SetWantTabs(bool aValue) { FWantTabs = aValue; }
    bool IsDestroying() const { return FDestroying; }

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnChange;
    TNotifyEvent OnExit;

protected:
    virtual void KeyDown(Word& Key, TShiftState Shift) { OnKeyDown(this, Key, Shift); }
    virtual void KeyPress(QChar& Key) { OnKeyPress(this, Key); }
    virtual void Change() { OnChange(this); }
    virtual void DoExit() { OnExit(this); }
    void MarkDestroying() { FDestroying = true; }

    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress && FWantTabs) {
            auto* k = static_cast<QKeyEvent*>(e);
            if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
                keyPressEvent(k);
                k->accept(); // a Tab the control took never moves the focus
                return true;
            }
        }
        return QtBase::event(e);
    }

    void keyPressEvent(QKeyEvent* e) override
    {
        // A handler may free or hide the control (an editor closing on Enter).
        const QPointer<QWidget> alive(this);
        const Word original = KeyCodeFromQt(e);
        Word key = original;
        if (key != 0) GuardedCall([&] { KeyDown(key, ShiftStateFromQt(e->modifiers())); });
        if (alive.isNull()) return;
        if (original != 0 && key == 0) {
            e->accept();
            return;
        }
        const QString text = e->text();
        if (text.size() == 1 && text[0].unicode() != 0x7F) {
            QChar ch = text[0];
            GuardedCall([&] { KeyPress(ch); });
            if (alive.isNull()) return;
            if (ch.unicode() == 0) {
                e->accept();
                return;
            }
            if (ch != text[0]) {
                QKeyEvent changed(e->type(), e->key(), e->modifiers(), QString(ch), e->isAutoRepeat());
                QtBase::keyPressEvent(&changed);
                e->setAccepted(changed.isAccepted());
                return;
            }
        }
        QtBase::keyPressEvent(e);
    }

    void focusOutEvent(QFocusEvent* e) override
    {
        QtBase::focusOutEvent(e);
        // Switching windows and the control's own pop-ups (list, calendar) are no exit.
        if (FDestroying || e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
            return;
        GuardedCall([&] { DoExit(); });
    }

    // A context-menu request only focuses the control.
    void contextMenuEvent(QContextMenuEvent* e) override
    {
        e->accept();
        this->setFocus(Qt::OtherFocusReason);
    }

    void Changed()
    {
        GuardedCall([&] { Change(); });
    }

private:
    bool FWantTabs = false;
    bool FDestroying = false;
};

// A single-line edit.
class TCustomEdit : public TEditorControl<QLineEdit>
{
public:
    explicit TCustomEdit(QWidget* aParent = nullptr);
    QString GetText() const { return text(); }
    void SetText(const QString& aText) { setText(aText); }
    void SelectAll() { selectAll(); }
};

// A multi-line edit; Enter starts a new line.
class TCustomMemo : public TEditorControl<QPlainTextEdit>
{
public:
    explicit TCustomMemo(QWidget* aParent = nullptr);
    QString GetText() const { return toPlainText(); }
    void SetText(const QString& aText) { setPlainText(aText); }
    void SelectAll() { selectAll(); }
};

// A drop-down list: the text can only be one of the items.
class TCustomComboBox : public TEditorControl<QComboBox>
{
public:
    explicit TCustomComboBox(QWidget* aParent = nullptr);
    QStringList GetItems() const;
    void SetItems(const QStringList& anItems);
    int GetItemIndex() const { return currentIndex(); }
    void SetItemIndex(int anIndex) { setCurrentIndex(anIndex); }
    // The chosen item's text; empty when none is chosen.
    QString GetText() const { return currentText(); }
    // Chooses the item of that text, or none.
    void SetText(const QString& aText) { setCurrentIndex(findText(aText, Qt::MatchExactly)); }
};

// A check box.
class TCustomCheckBox : public TEditorControl<QCheckBox>
{
public:
    explicit TCustomCheckBox(QWidget* aParent = nullptr);
    bool GetChecked() const { return isChecked(); }
    void SetChecked(bool aValue) { setChecked(aValue); }
};

enum TDateTimeKind { dtkDate, dtkTime };

// A date or time picker; the date kind drops down a calendar. With
// ShowCheckbox a check box at its left says whether it holds a value at all.
class TDateTimePicker : public TEditorControl<QDateTimeEdit>
{
public:
    explicit TDateTimePicker(QWidget* aParent = nullptr);

    TDateTimeKind GetKind() const { return FKind; }
    void SetKind(TDateTimeKind aValue);
    TDateTime GetDateTime() const;
    // Values outside the picker's calendar range are held at its ends.
    void SetDateTime(TDateTime aValue);
    TDateTime GetDate() const { return DateOf(GetDateTime()); }
    TDateTime GetTime() const { return TimeOf(GetDateTime()); }
    bool GetShowCheckbox() const { return FShowCheckbox; }
    void SetShowCheckbox(bool aValue);
    bool GetChecked() const;
    void SetChecked(bool aValue);
    QCheckBox* CheckBox() const { return FCheckBox; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void PlaceCheckBox();

    TDateTimeKind FKind = dtkDate;
    bool FShowCheckbox = false;
    QCheckBox* FCheckBox;
};

} // namespace skedra
