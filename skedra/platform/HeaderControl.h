#pragma once
// The header control over QHeaderView: a row of sections with texts and
// widths, resized by the user at the section borders. Sections may be 0 pixels
// wide (a component collapses leading sections to scroll). A section is
// inserted or deleted at its own index, so every other section keeps its width.
//
// Mouse presses, moves and releases reach the control's MouseDown, MouseMove
// and MouseUp (client coordinates) before the native header sees them; when a
// handler starts an in-process drag (BeginDrag), the native header sees
// nothing more of that press, so a drag never also resizes a section.

#include <QString>

#include <memory>
#include <vector>

#include "skedra/platform/Controls.h"

class QHeaderView;

namespace skedra
{

class THeaderControl;
class THeaderSections;

namespace detail
{
class THeaderModel;
}

class THeaderSection
{
public:
    QString GetText() const { return FText; }
    void SetText(const QString& aValue);
    int GetWidth() const;
    // Negative widths become 0.
    void SetWidth(int aValue);
    // The section's position; -1 once it has left its header.
    int GetIndex() const;
    // The left and right pixel of the section in the header's client area.
    int GetLeft() const;
    int GetRight() const { return GetLeft() + GetWidth(); }

private:
    friend class THeaderSections;
    explicit THeaderSection(THeaderSections* aOwner) : FOwner(aOwner) {}
    THeaderSections* FOwner;
    QString FText;
};

class THeaderSections
{
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    // The section at anIndex; EListError outside 0..Count-1.
    THeaderSection* Items(int anIndex) const;
    THeaderSection* operator[](int anIndex) const { return Items(anIndex); }
    THeaderSection* Add();
    // Inserts at anIndex (0..Count; EListError otherwise).
    THeaderSection* Insert(int anIndex);
    // Deletes the section at anIndex (EListError outside 0..Count-1).
    void Delete(int anIndex);
    void Clear();
    int IndexOf(const THeaderSection* aSection) const;
    // Brackets many changes: the native header repaints once at the end.
    void BeginUpdate();
    void EndUpdate();

private:
    friend class THeaderControl;
    friend class THeaderSection;
    explicit THeaderSections(THeaderControl* aHeader) : FHeader(aHeader) {}
    THeaderControl* FHeader;
    std::vector<std::unique_ptr<THeaderSection>> FItems;
    int FUpdateCount = 0;
};

using TSectionNotifyEvent = TMethod<void(THeaderControl* HeaderControl, THeaderSection* Section)>;

class THeaderControl : public TWinControl
{
public:
    explicit THeaderControl(QWidget* aParent = nullptr);
    ~THeaderControl() override;

    THeaderSections* GetSections() { return &FSections; }
    const THeaderSections* GetSections() const { return &FSections; }

    // The user may drag section borders (true by default).
    bool GetAllowResize() const { return FAllowResize; }
    void SetAllowResize(bool aValue);

    // The section containing client x (the last one that starts at or before
    // x and is wider than 0), or -1.
    int SectionAt(int X) const;
    // The width of the section at anIndex without a search (0 outside the sections).
    int SectionWidth(int anIndex) const;

    // Raised after the user changed a section's width (not for SetWidth).
    TSectionNotifyEvent OnSectionResize;
    // Raised when the user clicks a section.
    TSectionNotifyEvent OnSectionClick;

    // The native header inside (for tests and styling).
    QHeaderView* NativeHeader() const { return FView; }

protected:
    void BoundsChanged(bool aSizeChanged) override;
    bool eventFilter(QObject* aWatched, QEvent* anEvent) override;
    virtual void SectionResize(THeaderSection* aSection);
    virtual void SectionClick(THeaderSection* aSection);

private:
    friend class THeaderSections;
    friend class THeaderSection;
    void NativeSectionResized(int anIndex, int anOldSize, int aNewSize);
    void NativeSectionClicked(int anIndex);

    THeaderSections FSections;
    detail::THeaderModel* FModel;
    QHeaderView* FView;
    bool FAllowResize = true;
    int FSettingWidth = 0;      // width changes made by the program, not the user
    bool FMouseToNative = true; // the current press goes on to the native header
};

} // namespace skedra
