#pragma once
// The in-place editors of a grid view: made once by the view as its hidden
// children, laid over the edited cell by Start and hidden by Stop. Their keys,
// changes and focus loss go to the view.

#include "skedra/gridengine/qvMoxGridView.h"
#include "skedra/platform/Editors.h"

namespace skedra
{

template <class Base> class TMoxInplace : public Base
{
public:
    explicit TMoxInplace(TMoxGridView_Custom* aView) : Base(aView), FView(aView)
    {
        this->hide();
        this->setFocusPolicy(Qt::ClickFocus); // no tab stop
        this->SetWantTabs(true);
    }
    ~TMoxInplace() override { this->MarkDestroying(); }
    TMoxGridView_Custom* GetView() const { return FView; }

    // Lays the editor over aRect (view client coordinates), shows it and focuses it.
    void Start(const TRect& aRect)
    {
        this->setGeometry(aRect.Left, aRect.Top, std::max(aRect.Width(), 0), std::max(aRect.Height() + 1, 0));
        this->show();
        this->raise();
        this->setFocus(Qt::OtherFocusReason);
    }
    // Hides the editor; the focus goes back to the view first.
    void Stop()
    {
        if (this->hasFocus()) FView->setFocus(Qt::OtherFocusReason);
        this->hide();
    }

protected:
    virtual bool IsMultiLine() const { return false; }
    void KeyPress(QChar& Key) override
    {
        FView->EditorKeyPress(Key, IsMultiLine());
        if (Key.unicode() != 0) Base::KeyPress(Key);
    }
    void Change() override
    {
        FView->EditorChanged(this);
        Base::Change();
    }
    void DoExit() override
    {
        FView->EditorFocusLost(this);
        Base::DoExit();
    }

    TMoxGridView_Custom* FView;
};

class TMoxInplaceEditor : public TMoxInplace<TCustomEdit>
{
public:
    explicit TMoxInplaceEditor(TMoxGridView_Custom* aView);

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
};

class TMoxInplaceMemoEditor : public TMoxInplace<TCustomMemo>
{
public:
    explicit TMoxInplaceMemoEditor(TMoxGridView_Custom* aView);

protected:
    bool IsMultiLine() const override { return true; }
    void KeyDown(Word& Key, TShiftState Shift) override;
};

class TMoxInplaceComboEditor : public TMoxInplace<TCustomComboBox>
{
public:
    using TMoxInplace::TMoxInplace;
};

class TMoxInplaceBoolEditor : public TMoxInplace<TCustomCheckBox>
{
public:
    explicit TMoxInplaceBoolEditor(TMoxGridView_Custom* aView);
};

class TMoxInplaceDateTimeEditor : public TMoxInplace<TDateTimePicker>
{
public:
    using TMoxInplace::TMoxInplace;

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
};

} // namespace skedra
