// The chart's published properties that forward to its parts: the tree's
// (names ending in Tree), the scaler's, and the popup menus of the parts.
#include "skedra/gantt/qvGant.h"

namespace skedra
{

// ===========================================================================
// The tree

TColor TqvGant_ComBasic::GetColorTree() const
{
    return Treeview->GetColor();
}
void TqvGant_ComBasic::SetColorTree(TColor aValue)
{
    Treeview->SetColor(aValue);
}
TCursor TqvGant_ComBasic::GetDragCursorTree() const
{
    return Treeview->GetDragCursor();
}
void TqvGant_ComBasic::SetDragCursorTree(TCursor aValue)
{
    Treeview->SetDragCursor(aValue);
}
TDragMode TqvGant_ComBasic::GetDragModeTree() const
{
    return Treeview->GetDragMode();
}
void TqvGant_ComBasic::SetDragModeTree(TDragMode aValue)
{
    Treeview->SetDragMode(aValue);
}
const TFont* TqvGant_ComBasic::GetFontTree() const
{
    return Treeview->GetFont();
}
void TqvGant_ComBasic::SetFontTree(const TFont* aFont)
{
    if (aFont != nullptr) Treeview->SetFont(*aFont);
}
TBorderStyle TqvGant_ComBasic::GetBorderStyleTree() const
{
    return Treeview->GetBorderStyle();
}
void TqvGant_ComBasic::SetBorderStyleTree(TBorderStyle aValue)
{
    Treeview->SetBorderStyle(aValue);
    SetGridBorderStyle(aValue);
}
bool TqvGant_ComBasic::GetHideSelectionTree() const
{
    return Treeview->GetHideSelection();
}
void TqvGant_ComBasic::SetHideSelectionTree(bool aValue)
{
    Treeview->SetHideSelection(aValue);
}
bool TqvGant_ComBasic::GetHotTrackTree() const
{
    return Treeview->GetHotTrack();
}
void TqvGant_ComBasic::SetHotTrackTree(bool aValue)
{
    Treeview->SetHotTrack(aValue);
}
int TqvGant_ComBasic::GetIndentTree() const
{
    return Treeview->GetIndent();
}
void TqvGant_ComBasic::SetIndentTree(int aValue)
{
    Treeview->SetIndent(aValue);
}
bool TqvGant_ComBasic::GetToolTipsTree() const
{
    return Treeview->GetToolTips();
}
void TqvGant_ComBasic::SetToolTipsTree(bool aValue)
{
    Treeview->SetToolTips(aValue);
}
int TqvGant_ComBasic::GetAutoExpandLevelsTree() const
{
    return Treeview->GetAutoExpandLevels();
}
void TqvGant_ComBasic::SetAutoExpandLevelsTree(int aValue)
{
    Treeview->SetAutoExpandLevels(aValue);
}
int TqvGant_ComBasic::GetMaxLevelsTree() const
{
    return Treeview->GetMaxLevels();
}
void TqvGant_ComBasic::SetMaxLevelsTree(int aValue)
{
    Treeview->SetMaxLevels(aValue);
}
bool TqvGant_ComBasic::GetRightClickSelectTree() const
{
    return Treeview->GetRightClickSelect();
}
void TqvGant_ComBasic::SetRightClickSelectTree(bool aValue)
{
    Treeview->SetRightClickSelect(aValue);
}
bool TqvGant_ComBasic::GetMultiSelectTree() const
{
    return Treeview->GetMultiSelect();
}
void TqvGant_ComBasic::SetMultiSelectTree(bool aValue)
{
    Treeview->SetMultiSelect(aValue);
    SetGridMultiSelect(aValue);
}
bool TqvGant_ComBasic::GetGridLinesTree() const
{
    return Treeview->GetDrawGridLines();
}
void TqvGant_ComBasic::SetGridLinesTree(bool aValue)
{
    Treeview->SetDrawGridLines(aValue);
}
bool TqvGant_ComBasic::GetAutoExpandTree() const
{
    return Treeview->GetAutoExpand();
}
void TqvGant_ComBasic::SetAutoExpandTree(bool aValue)
{
    Treeview->SetAutoExpand(aValue);
}
bool TqvGant_ComBasic::GetRowSelectTree() const
{
    bool value = false;
    if (UseGridNotTree && GetGridRowSelect(value)) return value;
    return Treeview->GetRowSelect();
}
void TqvGant_ComBasic::SetRowSelectTree(bool aValue)
{
    if (UseGridNotTree && SetGridRowSelect(aValue)) return;
    Treeview->SetRowSelect(aValue);
}
bool TqvGant_ComBasic::GetShowButtonsTree() const
{
    bool value = false;
    if (UseGridNotTree && GetGridShowButtons(value)) return value;
    return Treeview->GetShowButtons();
}
void TqvGant_ComBasic::SetShowButtonsTree(bool aValue)
{
    if (UseGridNotTree && SetGridShowButtons(aValue)) return;
    Treeview->SetShowButtons(aValue);
}
bool TqvGant_ComBasic::GetShowLinesTree() const
{
    return Treeview->GetShowLines();
}
void TqvGant_ComBasic::SetShowLinesTree(bool aValue)
{
    Treeview->SetShowLines(aValue);
}
TCursor TqvGant_ComBasic::GetCursorTree() const
{
    return Treeview->GetCursor();
}
void TqvGant_ComBasic::SetCursorTree(TCursor aValue)
{
    Treeview->SetCursor(aValue);
}

TStartDragEvent TqvGant_ComBasic::GetOnTreeStartDrag() const
{
    return Treeview->OnStartDrag;
}
void TqvGant_ComBasic::SetOnTreeStartDrag(TStartDragEvent aValue)
{
    Treeview->OnStartDrag = aValue;
}
TEndDragEvent TqvGant_ComBasic::GetOnTreeEndDrag() const
{
    return Treeview->OnEndDrag;
}
void TqvGant_ComBasic::SetOnTreeEndDrag(TEndDragEvent aValue)
{
    Treeview->OnEndDrag = aValue;
}
TDragDropEvent TqvGant_ComBasic::GetOnTreeDragDrop() const
{
    return Treeview->OnDragDrop;
}
void TqvGant_ComBasic::SetOnTreeDragDrop(TDragDropEvent aValue)
{
    Treeview->OnDragDrop = aValue;
}
TDragOverEvent TqvGant_ComBasic::GetOnTreeDragOver() const
{
    return Treeview->OnDragOver;
}
void TqvGant_ComBasic::SetOnTreeDragOver(TDragOverEvent aValue)
{
    Treeview->OnDragOver = aValue;
}
TMouseMoveEvent TqvGant_ComBasic::GetOnTreeMouseMove() const
{
    return Treeview->OnMouseMove;
}
void TqvGant_ComBasic::SetOnTreeMouseMove(TMouseMoveEvent aValue)
{
    Treeview->OnMouseMove = aValue;
}
TMouseEvent TqvGant_ComBasic::GetOnTreeMouseDown() const
{
    return Treeview->OnMouseDown;
}
void TqvGant_ComBasic::SetOnTreeMouseDown(TMouseEvent aValue)
{
    Treeview->OnMouseDown = aValue;
}
TOnContentChanged TqvGant_ComBasic::GetOnContentChanged_Tree() const
{
    return Treeview->OnContentChanged;
}
void TqvGant_ComBasic::SetOnContentChanged_Tree(TOnContentChanged aValue)
{
    Treeview->OnContentChanged = aValue;
}
TOnSelectionChanged TqvGant_ComBasic::GetOnSelectionChanged_Tree() const
{
    return Treeview->OnSelectionChanged;
}
void TqvGant_ComBasic::SetOnSelectionChanged_Tree(TOnSelectionChanged aValue)
{
    Treeview->OnSelectionChanged = aValue;
}
TOnDeleteItem TqvGant_ComBasic::GetOnDeleteItem_Tree() const
{
    return Treeview->OnDeleteItem;
}
void TqvGant_ComBasic::SetOnDeleteItem_Tree(TOnDeleteItem aValue)
{
    Treeview->OnDeleteItem = aValue;
}
TOnInsertItem TqvGant_ComBasic::GetOnInsertItem_Tree() const
{
    return Treeview->OnInsertItem;
}
void TqvGant_ComBasic::SetOnInsertItem_Tree(TOnInsertItem aValue)
{
    Treeview->OnInsertItem = aValue;
}
TOnInfoPush TqvGant_ComBasic::GetOnValueChanged_Tree() const
{
    return Treeview->OnValueChanged;
}
void TqvGant_ComBasic::SetOnValueChanged_Tree(TOnInfoPush aValue)
{
    Treeview->OnValueChanged = aValue;
}
TOnBeforeCanEditItem TqvGant_ComBasic::GetOnBeforeCanEditItem_Tree() const
{
    return Treeview->OnBeforeCanEditItem;
}
void TqvGant_ComBasic::SetOnBeforeCanEditItem_Tree(TOnBeforeCanEditItem aValue)
{
    Treeview->OnBeforeCanEditItem = aValue;
}

// ===========================================================================
// The scaler

QString TqvGant_ComBasic::GetDateFormat() const
{
    return DateScaler->GetDateFormat();
}
void TqvGant_ComBasic::SetDateFormat(const QString& aValue)
{
    DateScaler->SetDateFormat(aValue);
}
QString TqvGant_ComBasic::GetTimeFormat() const
{
    return DateScaler->GetTimeFormat();
}
void TqvGant_ComBasic::SetTimeFormat(const QString& aValue)
{
    DateScaler->SetTimeFormat(aValue);
}
bool TqvGant_ComBasic::GetIndicatorOn() const
{
    return DateScaler->GetIndicatorOn();
}
void TqvGant_ComBasic::SetIndicatorOn(bool aValue)
{
    DateScaler->SetIndicatorOn(aValue);
}
int TqvGant_ComBasic::GetPixelsForModeSwitch() const
{
    return DateScaler->GetPixelsForModeSwitch();
}
void TqvGant_ComBasic::SetPixelsForModeSwitch(int aValue)
{
    DateScaler->SetPixelsForModeSwitch(aValue);
}
double TqvGant_ComBasic::GetScale() const
{
    return DateScaler->GetScale();
}
void TqvGant_ComBasic::SetScale(double aValue)
{
    DateScaler->SetScale(aValue);
}
TDateTime TqvGant_ComBasic::GetStart() const
{
    return DateScaler->GetStart();
}
void TqvGant_ComBasic::SetStart(TDateTime aValue)
{
    DateScaler->SetStart(aValue);
}
TDateTime TqvGant_ComBasic::GetStop() const
{
    return DateScaler->GetStop();
}
void TqvGant_ComBasic::SetStop(TDateTime aValue)
{
    DateScaler->SetStop(aValue);
}
double TqvGant_ComBasic::GetZoomFactor() const
{
    return DateScaler->GetZoomFactor();
}
void TqvGant_ComBasic::SetZoomFactor(double aValue)
{
    DateScaler->SetZoomFactor(aValue);
}
TColor TqvGant_ComBasic::GetColorScaler() const
{
    return DateScaler->GetColor();
}
void TqvGant_ComBasic::SetColorScaler(TColor aValue)
{
    DateScaler->SetColor(aValue);
    PanelScaleAndGantHolder->SetColor(aValue);
    TreeHeaderBox->SetColor(aValue);
    ScrollBox->SetColor(aValue);
    SetColor(aValue);
}
const TFont* TqvGant_ComBasic::GetFontScaler() const
{
    return DateScaler->GetFont();
}
void TqvGant_ComBasic::SetFontScaler(const TFont* aFont)
{
    if (aFont != nullptr) DateScaler->SetFont(*aFont);
}
TCursor TqvGant_ComBasic::GetCursorScaler() const
{
    return DateScaler->GetCursor();
}
void TqvGant_ComBasic::SetCursorScaler(TCursor aValue)
{
    DateScaler->SetCursor(aValue);
}
int TqvGant_ComBasic::GetFirstDayOfWeekScaler() const
{
    return DateScaler->GetFirstDayOfWeek();
}
void TqvGant_ComBasic::SetFirstDayOfWeekScaler(int aValue)
{
    DateScaler->SetFirstDayOfWeek(aValue);
}
bool TqvGant_ComBasic::GetRescaleWithCtrl() const
{
    return DateScaler->GetRescaleWithCtrl();
}
void TqvGant_ComBasic::SetRescaleWithCtrl(bool aValue)
{
    DateScaler->SetRescaleWithCtrl(aValue);
}
TLookAndFeel TqvGant_ComBasic::GetLookAndFeel() const
{
    return DateScaler->GetLookAndFeel();
}
void TqvGant_ComBasic::SetLookAndFeel(TLookAndFeel aValue)
{
    DateScaler->SetLookAndFeel(aValue);
}
TScrollButtons TqvGant_ComBasic::GetScrollButtons() const
{
    return DateScaler->GetScrollButtons();
}
void TqvGant_ComBasic::SetScrollButtons(TScrollButtons aValue)
{
    DateScaler->SetScrollButtons(aValue);
}
TDateTime TqvGant_ComBasic::GetMinStart() const
{
    return DateScaler->GetMinStart();
}
void TqvGant_ComBasic::SetMinStart(TDateTime aValue)
{
    DateScaler->SetMinStart(aValue);
}
TDateTime TqvGant_ComBasic::GetMaxStop() const
{
    return DateScaler->GetMaxStop();
}
void TqvGant_ComBasic::SetMaxStop(TDateTime aValue)
{
    DateScaler->SetMaxStop(aValue);
}
TqvHiddenHours TqvGant_ComBasic::GetHiddenHours() const
{
    return DateScaler->GetHiddenHours();
}
void TqvGant_ComBasic::SetHiddenHours(const TqvHiddenHours& aValue)
{
    DateScaler->SetHiddenHours(aValue);
}
TqvHiddenDays TqvGant_ComBasic::GetHiddenDays() const
{
    return DateScaler->GetHiddenDays();
}
void TqvGant_ComBasic::SetHiddenDays(const TqvHiddenDays& aValue)
{
    DateScaler->SetHiddenDays(aValue);
}

// ===========================================================================
// Popup menus of the parts

TPopupMenu* TqvGant_ComBasic::GetPopupMenuGantArea() const
{
    return GA->GetPopupMenu();
}
void TqvGant_ComBasic::SetPopupMenuGantArea(TPopupMenu* aMenu)
{
    GA->SetPopupMenu(aMenu);
}
TPopupMenu* TqvGant_ComBasic::GetPopupMenuTreeview() const
{
    return Treeview->GetPopupMenu();
}
void TqvGant_ComBasic::SetPopupMenuTreeview(TPopupMenu* aMenu)
{
    Treeview->SetPopupMenu(aMenu);
}
TPopupMenu* TqvGant_ComBasic::GetPopupMenuScaler() const
{
    return DateScaler->GetPopupMenu();
}
void TqvGant_ComBasic::SetPopupMenuScaler(TPopupMenu* aMenu)
{
    DateScaler->SetPopupMenu(aMenu);
}

} // namespace skedra
