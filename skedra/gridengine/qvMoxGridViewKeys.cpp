// Keyboard input of a grid view: navigation keys move the focus (Shift
// extends the selection, Ctrl toggles), F2 and Enter start editing, a typed
// letter or digit starts editing with that character or, on a cell that
// cannot be edited, searches the column for a text beginning with what was
// typed; the wheel scrolls; Ctrl+C copies.

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <utility>

#include "skedra/foundation/DoLater.h"
#include "skedra/gridengine/qvMoxGridViewInput_p.h"
#include "skedra/platform/System.h"

namespace skedra
{

namespace
{

// Characters that start editing when typed on the grid: space, digits,
// letters, and the Nordic letters of the Latin-1 range.
bool IsTypeToEditChar(char16_t aChar)
{
    if (aChar == u' ') return true;
    if (aChar >= u'0' && aChar <= u'9') return true;
    if ((aChar >= u'A' && aChar <= u'Z') || (aChar >= u'a' && aChar <= u'z')) return true;
    switch (aChar) {
    case 0xC4: // Ä
    case 0xC5: // Å
    case 0xD6: // Ö
    case 0xE4: // ä
    case 0xE5: // å
    case 0xF6: // ö
        return true;
    default:
        return false;
    }
}

// The Qt key that types aChar (letters and digits are their upper-case code).
int QtKeyFor(QChar aChar)
{
    if (aChar == QLatin1Char(' ')) return Qt::Key_Space;
    if (aChar.isLetterOrNumber()) return aChar.toUpper().unicode();
    return Qt::Key_unknown;
}

} // namespace

// ---------------------------------------------------------------------------
// Keys

void TMoxGridView_Custom::KeyDown(Word& Key, TShiftState Shift)
{
    // A character typed with Ctrl (not AltGr, which is Ctrl+Alt) is a shortcut, never input.
    FInput->CtrlChord = Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
    TqvOffscreenPaint::KeyDown(Key, Shift);
    if (Key == 0) return;
    const bool ctrl = Shift.Contains(ssCtrl);
    TMoxDirection direction = moxdirNone;
    switch (Key) {
    case VK_RETURN:
        direction = moxdirInwards;
        break;
    case VK_PRIOR:
        direction = moxdirPageUp;
        break;
    case VK_NEXT:
        direction = moxdirPageDown;
        break;
    case VK_END:
        direction = ctrl ? moxdirEndRow : moxdirEndCell;
        if (ctrl) Shift -= ssCtrl;
        break;
    case VK_HOME:
        direction = ctrl ? moxdirHomeRow : moxdirHomeCell;
        if (ctrl) Shift -= ssCtrl;
        break;
    case VK_LEFT:
        direction = moxdirLeft;
        break;
    case VK_UP:
        direction = moxdirUp;
        break;
    case VK_RIGHT:
        direction = moxdirRight;
        break;
    case VK_DOWN:
        direction = moxdirDown;
        break;
    case VK_F2:
        StartEditing();
        return;
    case 'C':
    case VK_INSERT:
        if (ctrl && !Shift.Contains(ssAlt) && !Shift.Contains(ssShift)) CopyToClipboard();
        return;
    default:
        return;
    }
    TMoxGridCellForViewer* root = FRootCell.get();
    if (!root->FocusedCell && root->Left < root->ColumnList->Count() && root->Top < root->RowList->Count())
        root->SetFocusedCell(root->getCell(root->Left, root->Top));
    Scroll(direction, Shift);
}

void TMoxGridView_Custom::Scroll(TMoxDirection aDirection, TShiftState aShift)
{
    TMoxCell* focused = FRootCell->FocusedCell;
    if (!focused || aDirection == moxdirNone) return;
    TMoxCell* next = FRootCell->FindNeighbourCell(focused, aDirection, true);
    if (!next || !next->ParentCell || next->ParentCell->FocusedCell == next) return;
    TMoxGridCell* grid = next->ParentCell;
    FRootCell->SetFocusedCell(next);
    // Focusing stores an open edit, whose handler may drop the row.
    if (grid->FocusedCell != next) return;
    if (!grid->UpdateMultiSelect(next, aShift)) return; // a selection handler removed rows
    const bool paging = aDirection >= moxdirPageUp && aDirection <= moxdirEndRow;
    if (paging && grid == FRootCell.get() && next->RowItem && FVertScrollBar->GetVisible())
        SetScrollbarPosition(FVertScrollBar, TMoxGridCell::Convert_TrueIndexToVisible(
                                                 FRootCell->RowList.get(), next->RowItem->ListIndex()));
}

void TMoxGridView_Custom::KeyPress(QChar& Key)
{
    TqvOffscreenPaint::KeyPress(Key);
    const char16_t key = Key.unicode();
    const bool chord = std::exchange(FInput->CtrlChord, false);
    if (key == 0 || chord) return;
    if (FEditing) StopEditing();
    if (key == 13) {
        Key = QChar(0);
        TMoxCell* cell = FRootCell->GetFocusedCellDownTrack();
        if (cell && cell != FRootCell.get() && OnCellHasButton && OnCellHasButton(this, cell))
            DoButtonAction(cell);
        else if (FEnterStartsEditing)
            StartEditing();
        return;
    }
    if (!IsTypeToEditChar(key)) return;
    Key = QChar(0);
    StartEditing();
    if (FEditing && FActiveEditor) {
        // The character becomes the editor's first input, replacing the selected text.
        const QChar typed(key);
        QKeyEvent event(QEvent::KeyPress, QtKeyFor(typed), Qt::NoModifier, QString(typed));
        QApplication::sendEvent(FActiveEditor, &event);
        return;
    }
    if (!FTypeAheadEnabled) return;
    TMoxGridViewInput& in = *FInput;
    const TDateTime now = in.Clock();
    if (now - in.TypeAheadTime > TMoxGridViewInput::kTypeAheadPause) in.TypeAheadText.clear();
    in.TypeAheadTime = now;
    in.TypeAheadText += QChar(key);
    TDoLater::DoLater(MakeMethod<&TMoxGridView_Custom::DeferredTypeAhead>(this));
}

// ---------------------------------------------------------------------------
// Type-ahead

void TMoxGridView_Custom::DeferredTypeAhead(TObject*)
{
    TypeAheadSearch();
}

void TMoxGridView_Custom::TypeAheadSearch()
{
    TMoxGridCellForViewer* root = FRootCell.get();
    if (!root->FocusedCell) {
        int col = root->Left;
        if (FSortCell && FSortCell->ParentCell == root && FSortCell->ColumnItem)
            col = FSortCell->ColumnItem->ListIndex();
        if (col < root->ColumnList->Count() && root->Top < root->RowList->Count())
            root->SetFocusedCell(root->getCell(col, root->Top));
    }
    TMoxCell* focused = root->GetFocusedCellDownTrack();
    TMoxGridCell* grid = focused ? focused->ParentCell : nullptr;
    if (!grid || !focused->ColumnItem || !focused->RowItem || FInput->TypeAheadText.isEmpty()) return;

    const QLocale locale;
    const QString wanted = locale.toUpper(FInput->TypeAheadText);
    TAxisContentList* rows = grid->RowList.get();
    const int loadedCol = focused->ColumnItem->LoadedListIndex();
    const int focusedRow = focused->RowItem->LoadedListIndex();
    auto matches = [&](int aLoadedRow) -> TMoxCell* {
        const TAxisContentItem* item = rows->getLoadedAxisContentItem(aLoadedRow);
        if (!item || item->Hidden) return nullptr;
        TMoxCell* cell = grid->Matrix->getLoadedCell(loadedCol, aLoadedRow);
        if (!cell || cell->CellType() != moxCellTypeSimple) return nullptr;
        return locale.toUpper(GetText(cell)).startsWith(wanted) ? cell : nullptr;
    };
    // Only loaded rows are searched, so a virtual grid of millions of rows is
    // never loaded whole: from the focused row to the last loaded row, then,
    // wrapping, from the first row after the header up to the focused row.
    TMoxCell* found = nullptr;
    const int first = rows->FixedCount;
    for (int r = std::max(focusedRow, first); !found && r < rows->LoadedCount(); ++r)
        found = matches(r);
    for (int r = first; !found && r < focusedRow; ++r)
        found = matches(r);
    if (!found) return;
    if (!root->UpdateMultiSelect(found, TShiftState())) return;
    root->SetFocusedCell(found);
    MakeSureFocusedIsVisible();
    Invalidate();
}

// ---------------------------------------------------------------------------
// Wheel and clipboard

bool TMoxGridView_Custom::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    if (TqvOffscreenPaint::DoMouseWheelDown(Shift, MousePos)) return true;
    if (FVertScrollBar->GetVisible())
        SetScrollbarPosition(FVertScrollBar,
                             FVertScrollBar->GetPosition() + FVertScrollBar->GetPageSize() - 1);
    else
        Scroll(moxdirDown, TShiftState());
    return true;
}

bool TMoxGridView_Custom::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    if (TqvOffscreenPaint::DoMouseWheelUp(Shift, MousePos)) return true;
    if (FVertScrollBar->GetVisible())
        SetScrollbarPosition(FVertScrollBar, FVertScrollBar->GetPosition() - 1);
    else
        Scroll(moxdirUp, TShiftState());
    return true;
}

void TMoxGridView_Custom::CopyToClipboard()
{
    TMoxCell* focused = FRootCell->GetFocusedCellDownTrack();
    TMoxGridCell* grid = focused && focused->ParentCell ? focused->ParentCell : FRootCell.get();
    // The selected cells among the loaded ones (a cell never made is not selected).
    const int loadedCols = grid->ColumnList->LoadedCount();
    const int loadedRows = grid->RowList->LoadedCount();
    std::vector<int> cols;
    std::vector<int> rows;
    std::vector<bool> colUsed(static_cast<size_t>(loadedCols), false);
    int selected = 0;
    for (int r = grid->RowList->FixedCount; r < loadedRows; ++r) {
        bool rowUsed = false;
        for (int c = grid->ColumnList->FixedCount; c < loadedCols; ++c) {
            const TMoxCell* cell = grid->Matrix->PeekLoadedCell(c, r);
            if (!cell || !cell->Selected || cell->CellType() != moxCellTypeSimple) continue;
            ++selected;
            rowUsed = true;
            colUsed[static_cast<size_t>(c)] = true;
        }
        if (rowUsed) rows.push_back(r);
    }
    if (selected <= 1) {
        if (focused && focused->CellType() == moxCellTypeSimple) Clipboard().SetAsText(GetText(focused));
        return;
    }
    for (int c = 0; c < loadedCols; ++c)
        if (colUsed[static_cast<size_t>(c)]) cols.push_back(c);
    QStringList lines;
    for (int r : rows) {
        QStringList texts;
        for (int c : cols) {
            TMoxCell* cell = grid->Matrix->PeekLoadedCell(c, r);
            texts.push_back(cell && cell->Selected ? GetText(cell) : QString());
        }
        lines.push_back(texts.join(QLatin1Char('\t')));
    }
    Clipboard().SetAsText(lines.join(QLatin1Char('\n')));
}

} // namespace skedra
