// In-place editing of a grid view: choosing the editor, starting over the
// focused simple cell, the key filter, and storing or dropping the result.
#include <QScopeGuard>
#include <QScopedValueRollback>

#include "skedra/gridengine/MoxInplaceEditors.h"
#include "skedra/platform/System.h"

namespace skedra
{

namespace
{

TCellEvent& ClassOnEditStart()
{
    static TCellEvent hook;
    return hook;
}
TCellEvent& ClassOnEditStop()
{
    static TCellEvent hook;
    return hook;
}

// Keys that change an edit's text without producing a character.
bool ModifiesText(Word aKey, TShiftState aShift)
{
    if (aKey == VK_DELETE) return true;
    if (aShift.Contains(ssShift) && aKey == VK_INSERT) return true;
    return aShift.Contains(ssCtrl) && (aKey == 'V' || aKey == 'X');
}

// Check box and picker are at most 21 pixels high.
constexpr int kMaxSmallEditorHeight = 21;

} // namespace

TDateTime SafeStrToDate(const QString& aText)
{
    const TFormatSettings& settings = FormatSettings();
    QString text = aText;
    if (settings.ShortDateFormat.toUpper().contains(QLatin1String("MMM"))) {
        for (int month = 1; month <= 12; ++month) {
            const TDateTime day = EncodeDate(2003, month, 1);
            // A long name is replaced whole, before its short form could match its start.
            for (const QString& pattern : {QStringLiteral("mmmm"), QStringLiteral("mmm")}) {
                const QString name = FormatDateTime(pattern, day, settings);
                const int at = name.isEmpty() ? -1 : text.indexOf(name, 0, Qt::CaseSensitive);
                if (at >= 0) {
                    text.replace(at, name.size(), QString::number(month));
                    break;
                }
            }
        }
    }
    return StrToDate(text, settings);
}

// ---------------------------------------------------------------------------
// Editors

TMoxInplaceEditor::TMoxInplaceEditor(TMoxGridView_Custom* aView) : TMoxInplace(aView)
{
    setFrame(false);
}

void TMoxInplaceEditor::KeyDown(Word& Key, TShiftState Shift)
{
    if (Key == VK_TAB || Key == VK_RETURN || Key == VK_UP || Key == VK_DOWN) {
        if (FView->GetEditing()) FView->StopEditing();
        Key = 0;
        return;
    }
    if (ModifiesText(Key, Shift) && !FView->EditorCanModify(FView->GetEditCell())) Key = 0;
    if (Key != 0) TMoxInplace::KeyDown(Key, Shift);
}

TMoxInplaceMemoEditor::TMoxInplaceMemoEditor(TMoxGridView_Custom* aView) : TMoxInplace(aView)
{
    setFrameShape(QFrame::NoFrame);
}

void TMoxInplaceMemoEditor::KeyDown(Word& Key, TShiftState Shift)
{
    if (ModifiesText(Key, Shift) && !FView->EditorCanModify(FView->GetEditCell())) Key = 0;
    if (Key != 0) TMoxInplace::KeyDown(Key, Shift);
}

TMoxInplaceBoolEditor::TMoxInplaceBoolEditor(TMoxGridView_Custom* aView) : TMoxInplace(aView)
{
    setText(QString());
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(clWindow));
    setPalette(palette);
}

void TMoxInplaceDateTimeEditor::KeyDown(Word& Key, TShiftState Shift)
{
    if (Key == VK_DELETE) {
        if (!FView->EditorCanModify(FView->GetEditCell())) {
            Key = 0;
            return;
        }
        SetDateTime(0);
        FView->StopEditing();
        Key = 0;
        return;
    }
    TMoxInplace::KeyDown(Key, Shift);
}

void TMoxGridView_Custom::CreateEditors()
{
    FEditEditor = new TMoxInplaceEditor(this);
    FMemoEditor = new TMoxInplaceMemoEditor(this);
    FComboEditor = new TMoxInplaceComboEditor(this);
    FBoolEditor = new TMoxInplaceBoolEditor(this);
    FDateTimeEditor = new TMoxInplaceDateTimeEditor(this);
}

void TMoxGridView_Custom::DestroyEditors()
{
    FActiveEditor = nullptr;
    delete FEditEditor;
    delete FMemoEditor;
    delete FComboEditor;
    delete FBoolEditor;
    delete FDateTimeEditor;
    FEditEditor = nullptr;
    FMemoEditor = nullptr;
    FComboEditor = nullptr;
    FBoolEditor = nullptr;
    FDateTimeEditor = nullptr;
}

// ---------------------------------------------------------------------------
// Life cycle

void TMoxGridView_Custom::InstallClassEvents(TCellEvent aOnEditStart, TCellEvent aOnEditStop)
{
    ClassOnEditStart() = std::move(aOnEditStart);
    ClassOnEditStop() = std::move(aOnEditStop);
}

bool TMoxGridView_Custom::EditorCanModify(TMoxCell* aCell)
{
    return OnEditorCanModify ? OnEditorCanModify(this, aCell) : true;
}

void TMoxGridView_Custom::ChooseEditor(TMoxSimpleCellStringData* aData, TMoxEditorType& aChoice)
{
    OnChooseEditor(this, aData, aChoice);
}

TMoxEditorType TMoxGridView_Custom::InternalGetEditorType(TMoxCell* aCell)
{
    auto* data = dynamic_cast<TMoxSimpleCellStringData*>(aCell->CellData.get());
    TMoxEditorType choice = data && data->IsBoolean ? moxETBool : moxETEdit;
    ChooseEditor(data, choice);
    return choice;
}

void TMoxGridView_Custom::InitEditor(QWidget*, TMoxCell* aCell, QString& aText)
{
    aText = GetText(aCell);
}

void TMoxGridView_Custom::ApplyEditorFont(QWidget* anEditor, TMoxCell* aCell)
{
    TFont font;
    font.Assign(*GetFont());
    if (const TLayoutProp* layout = aCell->Layout; layout && layout->UseFontInfo) {
        if (!layout->FontName.isEmpty()) font.SetName(layout->FontName);
        font.SetColor(layout->FontColor);
        font.SetSize(layout->FontSize);
        font.SetStyle(layout->FontStyle);
    }
    anEditor->setFont(font.ToQFont());
    QPalette palette = anEditor->palette();
    palette.setColor(QPalette::Text, ToQColor(font.GetColor()));
    anEditor->setPalette(palette);
}

void TMoxGridView_Custom::StartEditing()
{
    if (FEditing || IsDestroying()) return;
    TMoxCell* cell = FRootCell->GetFocusedCellDownTrack();
    if (!cell || cell->CellType() != moxCellTypeSimple || cell->GetIsFixed() || !EditorCanModify(cell))
        return;
    auto* data = dynamic_cast<TMoxSimpleCellStringData*>(cell->CellData.get());
    if (!data) return;

    const TMoxEditorType choice = InternalGetEditorType(cell);
    {
        // Filling the editor is no change the application hears of.
        const QScopedValueRollback starting(FStartInProgress, true);
        FEditCell = cell;
        ClassOnEditStart()(this, cell);
        // A handler of the start (or of the selection it makes) may remove the
        // cell: nothing is left to edit and the user did nothing wrong, so the
        // start ends without a word.
        if (FEditCell != cell) {
            FEditCell = nullptr;
            return;
        }
        FEditing = true;
        FEditorChoice = choice;
        cell->ParentCell->SetFocusedCell(cell);
        if (FEditCell == cell) cell->ParentCell->UpdateMultiSelect(cell, TShiftState());
        if (FEditCell != cell) {
            if (FEditing) {
                StopAllEditors();
                EndEditingState();
            }
            return;
        }
        try {
            TRect rect = GetEditRect(cell);
            const TPoint offset = ClientOffset();
            rect = TRect(rect.Left + offset.X, rect.Top + offset.Y, rect.Right + offset.X,
                         rect.Bottom + offset.Y);
            QString text;
            switch (choice) {
            case moxETBool:
                FActiveEditor = FBoolEditor;
                FBoolEditor->SetChecked(data->Text.toUpper() == QLatin1String("TRUE"));
                rect.Left += 1;
                rect.Top += 1;
                rect.Bottom = std::min(rect.Bottom, rect.Top + kMaxSmallEditorHeight);
                FBoolEditor->Start(rect);
                break;
            case moxETDateTime: {
                ApplyEditorFont(FDateTimeEditor, cell);
                InitEditor(FDateTimeEditor, cell, text);
                FDateTimeEditor->SetDateTime(0);
                const bool time = FDateTimeEditor->GetKind() == dtkTime;
                // Reading the text may raise: the start is undone below.
                if (!text.isEmpty())
                    FDateTimeEditor->SetDateTime(time ? StrToTime(text) : SafeStrToDate(text));
                else
                    FDateTimeEditor->SetDateTime(time ? 0 : Date());
                FActiveEditor = FDateTimeEditor;
                rect.Bottom = std::min(rect.Bottom, rect.Top + kMaxSmallEditorHeight);
                FDateTimeEditor->Start(rect);
                break;
            }
            case moxETMemo:
                FActiveEditor = FMemoEditor;
                ApplyEditorFont(FMemoEditor, cell);
                InitEditor(FMemoEditor, cell, text);
                FMemoEditor->SetText(text);
                FMemoEditor->SelectAll();
                FMemoEditor->Start(rect);
                break;
            case moxETCombo:
                FActiveEditor = FComboEditor;
                ApplyEditorFont(FComboEditor, cell);
                InitEditor(FComboEditor, cell, text);
                FComboEditor->SetText(text);
                FComboEditor->Start(rect);
                break;
            case moxETEdit:
                FActiveEditor = FEditEditor;
                ApplyEditorFont(FEditEditor, cell);
                InitEditor(FEditEditor, cell, text);
                FEditEditor->SetText(text);
                FEditEditor->SelectAll();
                FEditEditor->Start(rect);
                break;
            }
        } catch (...) {
            // Undo the start: nothing stored, editors hidden, the stop hook called.
            if (FEditing) {
                StopAllEditors();
                EndEditingState();
            }
            throw;
        }
    }
    if (FToggleOnStart && choice == moxETBool && FEditing) {
        FBoolEditor->SetChecked(!FBoolEditor->GetChecked());
        StopEditing();
    }
    Invalidate();
}

void TMoxGridView_Custom::CheckBoxEditWithoutEditMode()
{
    const QScopedValueRollback toggle(FToggleOnStart, true);
    StartEditing();
}

QString TMoxGridView_Custom::EditorResultText(QWidget* anEditor) const
{
    if (anEditor == FEditEditor) return FEditEditor->GetText();
    if (anEditor == FMemoEditor) return FMemoEditor->GetText();
    if (anEditor == FComboEditor) return FComboEditor->GetText();
    if (anEditor == FBoolEditor) return QLatin1String(FBoolEditor->GetChecked() ? "TRUE" : "FALSE");
    if (anEditor == FDateTimeEditor) {
        if (!FDateTimeEditor->GetChecked()) return DateToStr(0);
        if (FDateTimeEditor->GetKind() == dtkTime) return TimeToStr(FDateTimeEditor->GetTime());
        return DateToStr(FDateTimeEditor->GetDate());
    }
    return QString();
}

void TMoxGridView_Custom::StopEditing()
{
    FinishEditing(false);
}

void TMoxGridView_Custom::BreakEditing()
{
    FinishEditing(true);
}

void TMoxGridView_Custom::FinishEditing(bool aBroken)
{
    // Only an open edit is stored or dropped: the layout pass calls this on every paint.
    if (FStopInProgress || !FEditing) return;
    const QScopedValueRollback stopping(FStopInProgress, true);
    try {
        const QString text = aBroken ? QStringLiteral("ESCAPED") : EditorResultText(FActiveEditor);
        DeInitEditor(FActiveEditor, FEditCell, aBroken, text);
    } catch (...) {
        StopAllEditors();
        EndEditingState();
        throw;
    }
    StopAllEditors();
    EndEditingState();
}

void TMoxGridView_Custom::DeInitEditor(QWidget* aEditor, TMoxCell* aCell, bool aBroken, QString aText)
{
    if (aBroken || !aCell) return;
    auto* data = dynamic_cast<TMoxSimpleCellStringData*>(aCell->CellData.get());
    if (!data) return;
    FSortCell = nullptr;
    FSortDescending = false;
    OnEditStop(this, aEditor, data, aText);
    // The handler may have removed the cell's row.
    if (FEditCell != aCell) return;
    data->SetString(aText);
}

void TMoxGridView_Custom::StopAllEditors()
{
    if (!FEditEditor) return;
    FEditEditor->Stop();
    FMemoEditor->Stop();
    FComboEditor->Stop();
    FBoolEditor->Stop();
    FDateTimeEditor->Stop();
}

void TMoxGridView_Custom::EndEditingState()
{
    TMoxCell* cell = FEditCell;
    FEditing = false;
    FEditCell = nullptr;
    FActiveEditor = nullptr;
    // The editor that had the focus handed it to the view; a focus that moved elsewhere stays there.
    Invalidate();
    ClassOnEditStop()(this, cell);
}

bool TMoxGridView_Custom::IsEditCellWithin(const TAxisContentItem* aItem) const
{
    if (!FEditing || !aItem) return false;
    for (const TMoxCell* cell = FEditCell; cell; cell = cell->ParentCell)
        if (cell->RowItem == aItem || cell->ColumnItem == aItem) return true;
    return false;
}

void TMoxGridView_Custom::EditCellGone()
{
    if (IsDestroying()) {
        FEditing = false;
        FEditCell = nullptr;
        FActiveEditor = nullptr;
        return;
    }
    // Leaves EditCell cleared even while a stop is running (DeInitEditor checks it).
    const auto cleared = qScopeGuard([this] {
        FEditCell = nullptr;
        if (!FStopInProgress) FEditing = false;
    });
    BreakEditing();
}

// ---------------------------------------------------------------------------
// Editor notifications

void TMoxGridView_Custom::EditorKeyPress(QChar& aKey, bool aMultiLine)
{
    OnInplaceEditKeyPress(this, aKey);
    const char16_t key = aKey.unicode();
    if (key >= 32 && !EditorValidKey(aKey)) {
        aKey = QChar(0);
        Beep();
        return;
    }
    switch (key) {
    case 0:
        return;
    case 8:
    case 22:
    case 24:
        if (!EditorCanModify(FRootCell->GetFocusedCellDownTrack())) aKey = QChar(0);
        return;
    case 13:
        if (!aMultiLine) {
            StopEditing();
            aKey = QChar(0);
        }
        return;
    case 9:
        StopEditing();
        aKey = QChar(0);
        return;
    case 27:
        BreakEditing();
        aKey = QChar(0);
        return;
    default:
        // Every printable character, also beyond Latin-1, changes the text.
        if (key >= 32 && !EditorCanModify(FRootCell->GetFocusedCellDownTrack())) aKey = QChar(0);
        return;
    }
}

void TMoxGridView_Custom::EditorChanged(QWidget* anEditor)
{
    if (!FEditing || FStartInProgress || FStopInProgress || anEditor != FActiveEditor ||
        anEditor == FBoolEditor)
        return;
    OnInplaceEditOnChange(this, EditorResultText(anEditor));
}

void TMoxGridView_Custom::EditorFocusLost(QWidget* anEditor)
{
    if (!FEditing || FStartInProgress || FStopInProgress || anEditor != FActiveEditor || IsDestroying())
        return;
    if ((anEditor == FComboEditor || anEditor == FDateTimeEditor) && !GetStopEditOnFocusChange()) return;
    StopEditing();
}

} // namespace skedra
