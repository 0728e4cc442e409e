#pragma once
// Controls over QWidget: the toolkit's control hierarchy (TControl,
// TWinControl, TCustomControl, TGraphicControl, TCustomPanel, TPanel), its
// mouse and key notifications with virtual-key codes and shift states, and its
// Align layout.
//
// Coordinates: a control's Left/Top are in its parent's client coordinates;
// mouse positions and the canvas of Paint are in the control's own client
// coordinates. A control with a border (a panel with BorderStyle bsSingle)
// keeps the border outside its client area: ClientOffset()
// is where the client area starts inside the widget.
//
// Exceptions never leave an event override: each catches and routes the
// exception to HandleException (skedra/platform/Messages.h).

#include <QWidget>

#include <cstdint>
#include <memory>

#include "skedra/platform/Canvas.h"
#include "skedra/platform/Color.h"
#include "skedra/platform/Exceptions.h"
#include "skedra/platform/Geometry.h"
#include "skedra/platform/Method.h"
#include "skedra/platform/Object.h"
#include "skedra/platform/Set.h"

class QKeyEvent;
class QMouseEvent;

namespace skedra
{

using Word = std::uint16_t;

// An operation that is not valid in the control's present state.
class EInvalidOperation : public Exception
{
public:
    using Exception::Exception;
};

// ---------------------------------------------------------------------------
// Shift states, mouse buttons, alignment, cursors, virtual-key codes

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

enum TBorderStyle { bsNone, bsSingle };

enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

enum TDragMode { dmManual, dmAutomatic };

enum TDragKind { dkDrag, dkDock };

// The edges of its parent a control keeps its distance to when the parent resizes.
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

// Reading order and alignment: bdRightToLeft lays out right to left and mirrors
// left/right text alignment; bdRightToLeftNoAlign lays out right to left and
// keeps the alignment; bdRightToLeftReadingOnly only reads text right to left.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

// What a component is going through: csDesigning while it sits on a form in a
// form designer, csDestroying once its destruction began.
enum TComponentStateItem { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateItem>;

enum TControlStyleItem {
    csAcceptsControls,
    csCaptureMouse,
    csDesignInteractive,
    csClickEvents,
    csFramed,
    csSetCaption,
    csOpaque,
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoDesignVisible,
    csReplicatable,
    csNoStdEvents,
    csDisplayDragImage,
    csReflector,
    csActionClient,
    csMenuEvents
};
using TControlStyle = TSet<TControlStyleItem>;

// The platform's numbered cursors.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = -22;

// The Qt cursor shape of a numbered cursor (crDefault answers Qt::ArrowCursor).
Qt::CursorShape CursorToQt(TCursor aCursor);

// Windows-style virtual-key codes. Letters and digits are their upper-case
// ASCII codes ('A' = 65, '0' = 48).
enum : Word {
    VK_LBUTTON = 0x01,
    VK_RBUTTON = 0x02,
    VK_CANCEL = 0x03,
    VK_MBUTTON = 0x04,
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_CLEAR = 0x0C,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_SELECT = 0x29,
    VK_PRINT = 0x2A,
    VK_EXECUTE = 0x2B,
    VK_SNAPSHOT = 0x2C,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_HELP = 0x2F,
    VK_LWIN = 0x5B,
    VK_RWIN = 0x5C,
    VK_APPS = 0x5D,
    VK_NUMPAD0 = 0x60,
    VK_NUMPAD1,
    VK_NUMPAD2,
    VK_NUMPAD3,
    VK_NUMPAD4,
    VK_NUMPAD5,
    VK_NUMPAD6,
    VK_NUMPAD7,
    VK_NUMPAD8,
    VK_NUMPAD9,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SEPARATOR = 0x6C,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F2,
    VK_F3,
    VK_F4,
    VK_F5,
    VK_F6,
    VK_F7,
    VK_F8,
    VK_F9,
    VK_F10,
    VK_F11,
    VK_F12,
    VK_F13,
    VK_F14,
    VK_F15,
    VK_F16,
    VK_F17,
    VK_F18,
    VK_F19,
    VK_F20,
    VK_F21,
    VK_F22,
    VK_F23,
    VK_F24,
    VK_NUMLOCK = 0x90,
    VK_SCROLL = 0x91,
    VK_OEM_1 = 0xBA,
    VK_OEM_PLUS = 0xBB,
    VK_OEM_COMMA = 0xBC,
    VK_OEM_MINUS = 0xBD,
    VK_OEM_PERIOD = 0xBE,
    VK_OEM_2 = 0xBF,
    VK_OEM_3 = 0xC0,
    VK_OEM_4 = 0xDB,
    VK_OEM_5 = 0xDC,
    VK_OEM_6 = 0xDD,
    VK_OEM_7 = 0xDE
};

// The virtual-key code of a Qt key (with the keypad modifier for keypad
// keys); 0 when the key has none.
Word KeyCodeFromQt(int aQtKey, Qt::KeyboardModifiers aModifiers = Qt::NoModifier);
Word KeyCodeFromQt(const QKeyEvent* anEvent);
// The Qt key of a virtual-key code (Qt::Key_unknown when none), for sending keys.
int QtKeyFromKeyCode(Word aKey);

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers aModifiers, Qt::MouseButtons aButtons = Qt::NoButton);
// The current state of the keyboard modifiers and mouse buttons.
TShiftState KeyboardStateToShiftState();

// ---------------------------------------------------------------------------
// Handler types

class TControl;
class TWinControl;
class TPopupMenu;

using TMouseEvent = TMethod<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TMethod<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = TMethod<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = TMethod<void(TObject* Sender, QChar& Key)>;
using TMouseWheelEvent =
    TMethod<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    TMethod<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TContextPopupEvent = TMethod<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TDragOverEvent =
    TMethod<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = TMethod<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = TMethod<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDragEvent = TMethod<void(TObject* Sender, TObject*& DragObject)>;
// May change the new size, or refuse it (Resize false: the bounds stay).
using TCanResizeControlEvent = TMethod<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;
// May change the limits (preset from Constraints; 0 is no limit) the new size is held to.
using TConstrainedResizeEvent =
    TMethod<void(TObject* Sender, int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight)>;
// The docking events: accepted and stored, never raised (docking has no effect).
using TDockDropEvent = TMethod<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TDockOverEvent =
    TMethod<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TGetSiteInfoEvent = TMethod<void(TObject* Sender, TControl* DockClient, TRect& InfluenceRect,
                                       TPoint MousePos, bool& CanDock)>;
using TStartDockEvent = TMethod<void(TObject* Sender, TObject*& DragObject)>;
using TUnDockEvent = TMethod<void(TObject* Sender, TControl* Client, TWinControl* NewTarget, bool& Allow)>;

// The smallest and largest size a control takes, whoever sets its bounds (the
// application, its parent's Align layout, a splitter); 0 is no limit. A maximum
// below the minimum of the same axis is raised to it.
class TSizeConstraints : public TObject
{
public:
    int GetMinWidth() const { return FMinWidth; }
    void SetMinWidth(int aValue) { Set(FMinWidth, aValue); }
    int GetMinHeight() const { return FMinHeight; }
    void SetMinHeight(int aValue) { Set(FMinHeight, aValue); }
    int GetMaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int aValue) { Set(FMaxWidth, aValue); }
    int GetMaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int aValue) { Set(FMaxHeight, aValue); }
    bool IsEmpty() const { return FMinWidth == 0 && FMinHeight == 0 && FMaxWidth == 0 && FMaxHeight == 0; }
    // Raised after any change; the control applies the limits to its size at once.
    TNotifyEvent OnChange;

private:
    void Set(int& aField, int aValue);

    int FMinWidth = 0;
    int FMinHeight = 0;
    int FMaxWidth = 0;
    int FMaxHeight = 0;
};

// The wheel message: key state, delta (120 per notch, positive away from the
// user) and the pointer in screen coordinates. Handled tells Qt whether the
// parent should see the wheel too.
struct TWMMouseWheel {
    TShiftState Keys;
    int WheelDelta = 0;
    int XPos = 0;
    int YPos = 0;
    bool Handled = false;
};

// ---------------------------------------------------------------------------
// TControl

class TControl : public QWidget, public TObject
{
public:
    explicit TControl(QWidget* aParent = nullptr);
    ~TControl() override;

    QString GetName() const { return objectName(); }
    void SetName(const QString& aName) { setObjectName(aName); }
    int GetTag() const { return FTag; }
    void SetTag(int aTag) { FTag = aTag; }

    // The parent control (null when the parent is not one of ours, or none).
    TWinControl* GetParent() const;
    // Moves the control into aParent (null detaches it); keeps Visible.
    virtual void SetParent(QWidget* aParent);

    // Bounds in the parent's client coordinates.
    int GetLeft() const;
    int GetTop() const;
    int GetWidth() const { return width(); }
    int GetHeight() const { return height(); }
    void SetLeft(int aValue) { SetBounds(aValue, GetTop(), GetWidth(), GetHeight()); }
    void SetTop(int aValue) { SetBounds(GetLeft(), aValue, GetWidth(), GetHeight()); }
    void SetWidth(int aValue) { SetBounds(GetLeft(), GetTop(), aValue, GetHeight()); }
    void SetHeight(int aValue) { SetBounds(GetLeft(), GetTop(), GetWidth(), aValue); }
    TRect GetBoundsRect() const { return Bounds(GetLeft(), GetTop(), GetWidth(), GetHeight()); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    // Sets all four at once (negative sizes become 0); an aligned control asks
    // its parent to lay out again, which may override part of it.
    virtual void SetBounds(int aLeft, int aTop, int aWidth, int aHeight);

    // The client area: (0, 0, ClientWidth, ClientHeight).
    virtual TRect GetClientRect() const;
    int GetClientWidth() const { return GetClientRect().Width(); }
    int GetClientHeight() const { return GetClientRect().Height(); }
    void SetClientWidth(int aValue);
    void SetClientHeight(int aValue);
    // Where the client area starts inside the widget (the border's width).
    virtual TPoint ClientOffset() const { return TPoint(); }

    // The toolkit's Visible: true by default; a control shows when it and
    // all its parents are visible. A control without parent is a window and
    // shows only when shown explicitly.
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool aValue) { setVisible(aValue); }
    void Show() { setVisible(true); }
    void Hide() { setVisible(false); }
    void setVisible(bool aVisible) override;

    bool GetEnabled() const { return isEnabled(); }
    void SetEnabled(bool aValue);

    TAlign GetAlign() const { return FAlign; }
    void SetAlign(TAlign aValue);

    TColor GetColor() const { return FColor; }
    virtual void SetColor(TColor aValue);
    TFont* GetFont() { return &FFont; }
    const TFont* GetFont() const { return &FFont; }
    // Setting the font (or changing it through GetFont) clears ParentFont.
    void SetFont(const TFont& aFont) { FFont.Assign(aFont); }
    // While set (the default), the control takes its parent's font, now and
    // whenever the parent's font changes.
    bool GetParentFont() const { return FParentFont; }
    void SetParentFont(bool aValue);

    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor aValue);

    QString GetHint() const { return FHint; }
    void SetHint(const QString& aValue);
    bool GetShowHint() const { return FShowHint; }
    // Setting ShowHint clears ParentShowHint.
    void SetShowHint(bool aValue);
    // While set (the default), ShowHint follows the parent's, now and whenever it changes.
    bool GetParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool aValue);

    // Anchors (default left and top): the edges of the parent's client area
    // this control keeps its distance to when the parent resizes; anchored
    // left and right it stretches, anchored to neither it keeps its centre at
    // the same proportion. Aligned controls follow Align instead. The
    // distances are taken whenever the bounds are set other than by the parent.
    TAnchors GetAnchors() const { return FAnchors; }
    void SetAnchors(const TAnchors& aValue);

    // Size limits held through every change of the bounds.
    TSizeConstraints* GetConstraints() { return &FConstraints; }
    const TSizeConstraints* GetConstraints() const { return &FConstraints; }

    // A control with AutoSize fits its size to its content (for a windowed
    // control: its children), within its Constraints.
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool aValue);

    // Right-to-left reading and layout (Qt's layout direction follows it).
    // With ParentBiDiMode (the default) the control takes its parent's mode.
    TBiDiMode GetBiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode aValue);
    bool GetParentBiDiMode() const { return FParentBiDiMode; }
    void SetParentBiDiMode(bool aValue);
    // Left and right text alignment are mirrored (bdRightToLeft).
    bool UseRightToLeftAlignment() const { return FBiDiMode == bdRightToLeft; }
    // Text reads right to left (every mode but bdLeftToRight).
    bool UseRightToLeftReading() const { return FBiDiMode != bdLeftToRight; }
    // The vertical scroll bar sits on the left (bdRightToLeft, bdRightToLeftNoAlign).
    bool UseRightToLeftScrollBar() const
    {
        return FBiDiMode == bdRightToLeft || FBiDiMode == bdRightToLeftNoAlign;
    }

    // Accepted and stored for forms that set them; they change nothing on Qt
    // (controls are drawn flat, and nothing docks).
    bool GetCtl3D() const { return FCtl3D; }
    void SetCtl3D(bool aValue) { FCtl3D = aValue; }
    bool GetParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool aValue) { FParentCtl3D = aValue; }
    TDragKind GetDragKind() const { return FDragKind; }
    void SetDragKind(TDragKind aValue) { FDragKind = aValue; }

    // Design-time state for a form designer: csDesigning marks a control (and,
    // with aSetChildren, its child controls) as placed on a form being designed.
    TComponentState ComponentState() const { return FComponentState; }
    bool GetDesigning() const { return FComponentState.Contains(csDesigning); }
    virtual void SetDesigning(bool aValue, bool aSetChildren = true);

    QString GetCaption() const { return FCaption; }
    void SetCaption(const QString& aValue);

    TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* aMenu) { FPopupMenu = aMenu; }

    TControlStyle GetControlStyle() const { return FControlStyle; }
    void SetControlStyle(const TControlStyle& aStyle) { FControlStyle = aStyle; }

    TDragMode GetDragMode() const { return FDragMode; }
    void SetDragMode(TDragMode aValue) { FDragMode = aValue; }
    TCursor GetDragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor aValue) { FDragCursor = aValue; }

    // All mouse input goes to this control while set (a press captures the
    // mouse until the release anyway).
    bool GetMouseCapture() const;
    void SetMouseCapture(bool aValue);

    virtual void Invalidate();
    // Paints now (synchronously).
    virtual void Repaint();
    void Refresh() { Repaint(); }
    // Processes a pending paint now.
    void Update();

    void BringToFront();
    void SendToBack();

    TPoint ClientToScreen(TPoint aPoint) const;
    TPoint ScreenToClient(TPoint aPoint) const;
    // The client area's top-left corner in screen coordinates.
    TPoint ClientOrigin() const { return ClientToScreen(TPoint()); }

    // In-process drag and drop between controls: BeginDrag starts a drag
    // (at once, or after the pointer moved Threshold pixels); while the
    // button is held, the control under the pointer is asked DragOver and,
    // if it accepted, gets DragDrop on release; the source gets EndDrag.
    void BeginDrag(bool Immediate, int Threshold = -1);
    void EndDrag(bool Drop);
    bool Dragging() const;

    // Published events.
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TContextPopupEvent OnContextPopup;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDrag;
    TCanResizeControlEvent OnCanResize;
    TConstrainedResizeEvent OnConstrainedResize;
    // Accepted and stored; never raised.
    TDockDropEvent OnDockDrop;
    TDockOverEvent OnDockOver;
    TEndDragEvent OnEndDock;
    TGetSiteInfoEvent OnGetSiteInfo;
    TStartDockEvent OnStartDock;
    TUnDockEvent OnUnDock;

    // Called by the drag machinery; public so that a drag source can ask any control.
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);

protected:
    // The toolkit's notifications, in client coordinates. The defaults raise
    // the published events.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Click();
    virtual void DblClick();
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
    // The wheel message as it arrives; the default calls DoMouseWheel.
    virtual void WMMouseWheel(TWMMouseWheel& Msg);
    virtual void DoContextPopup(TPoint MousePos, bool& Handled);
    virtual void DoStartDrag(TObject*& DragObject);
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    virtual void Resize();
    // Asked before the size changes (not for a move alone): raises OnCanResize;
    // false keeps the old bounds.
    virtual bool CanResize(int& NewWidth, int& NewHeight);
    // The limits a new size is held to: Constraints, then OnConstrainedResize.
    virtual void ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight);
    // The size this control wants with AutoSize; false when it has no opinion.
    virtual bool CanAutoSize(int& /*NewWidth*/, int& /*NewHeight*/) { return false; }
    // Fits the size to the content now (AutoSize set).
    void AdjustSize();
    // The layout direction changed.
    virtual void BiDiModeChanged() { Invalidate(); }
    // Draws the control on GetCanvas(); called by PaintWindow.
    virtual void Paint() {}
    // Binds the canvas to the painter (client coordinates, clipped to the
    // client area) for the duration of Paint, also when Paint raises.
    virtual void PaintWindow(QPainter* aPainter);
    // Draws what lies outside the client area (borders), in widget coordinates.
    virtual void PaintNonClient(QPainter* /*aPainter*/) {}
    // Whether the background is filled with Color before PaintWindow.
    virtual bool EraseBackground() const;
    virtual void VisibleChanged() {}
    virtual void FontChanged();
    virtual void ColorChanged() { Invalidate(); }
    virtual void TextChanged() { Invalidate(); }
    // Size or position changed (from SetBounds, the parent's layout or Qt).
    virtual void BoundsChanged(bool aSizeChanged);

    // The canvas, bound to a painter while Paint runs; outside Paint it
    // measures text with the font but draws nothing.
    TCanvas* GetCanvasInternal() const { return FCanvas.get(); }

    // Qt events, each guarded.
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

    bool IsDestroying() const { return FDestroying; }
    void MarkDestroying()
    {
        FDestroying = true;
        FComponentState += csDestroying;
    }

    // Sets the bounds without asking the parent to lay out again, held to
    // OnCanResize and the size limits.
    void InternalSetBounds(int aLeft, int aTop, int aWidth, int aHeight);
    // Takes the distances to the parent's edges that Anchors keep.
    void UpdateAnchorRules();
    // Places the control by its Anchors in the parent's new client rectangle.
    void AnchorTo(const TRect& aParentRect);

    // Asks the parent to lay this control out again; descendants hook
    // alignment changes here (the splitter's cursor follows its axis).
    virtual void RequestAlign();

private:
    friend class TWinControl;
    void ApplyHint();
    void FontChangedHandler(TObject*);
    void TakeParentFont();
    void TakeParentShowHint();
    void TakeParentBiDiMode();
    void ApplyBiDiMode();
    void ConstraintsChanged(TObject*);
    // The anchor rules are the plain Left/Top default: nothing to do on a parent's resize.
    bool DefaultAnchors() const { return FAnchors == TAnchors{akLeft, akTop}; }
    TPoint EventPos(const QMouseEvent* e) const;
    void DragMouseMove(const QMouseEvent* e);
    bool DragMouseUp(const QMouseEvent* e);

    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FDestroying = false;
    TColor FColor = clWindow;
    TFont FFont;
    bool FParentFont = true;
    bool FTakingParentFont = false;
    TCursor FCursor = crDefault;
    QString FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TAnchors FAnchors{akLeft, akTop};
    // Distances to the right and bottom edges, the centre and the parent's
    // size when the anchor rules were taken (see UpdateAnchorRules).
    TRect FAnchorRules;
    TPoint FAnchorParentSize;
    TSizeConstraints FConstraints;
    bool FAutoSize = false;
    bool FAutoSizing = false;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FParentBiDiMode = true;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    TDragKind FDragKind = dkDrag;
    TComponentState FComponentState;
    QString FCaption;
    TPopupMenu* FPopupMenu = nullptr;
    int FTag = 0;
    TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    TDragMode FDragMode = dmManual;
    TCursor FDragCursor = crDrag;
    QSize FNotifiedSize{-1, -1};
    bool FClicked = false;
    int FWheelAccumulator = 0;
    std::unique_ptr<TCanvas> FCanvas;
};

// ---------------------------------------------------------------------------
// TWinControl: a control that may hold others, lays them out by Align, and
// takes focus and keys.

using TWinControlNotify = TNotifyEvent;

class TWinControl : public TControl
{
public:
    explicit TWinControl(QWidget* aParent = nullptr);
    ~TWinControl() override;

    // The child controls, in z-order (the toolkit's Controls list).
    int ControlCount() const;
    TControl* Controls(int anIndex) const;

    // Align layout. Every resize, show, hide, bounds or alignment change of a
    // child lays the children out again, unless alignment is disabled; then
    // the last EnableAlign does it once.
    void DisableAlign();
    void EnableAlign();
    bool AlignDisabled() const { return FAlignLevel > 0; }
    void Realign() { AlignControl(nullptr); }
    // Lays out the children; aControl (the child whose change caused it)
    // wins ties of position within its group.
    void AlignControl(TControl* aControl);

    // Focus.
    bool CanFocus() const;
    bool Focused() const { return hasFocus(); }
    // Raises EInvalidOperation "Cannot focus a disabled or invisible window".
    virtual void SetFocus();
    bool GetTabStop() const { return FTabStop; }
    void SetTabStop(bool aValue);
    // Position in the parent's tab order (0-based; -1 without parent).
    int GetTabOrder() const;
    void SetTabOrder(int aValue);

    // Docking: accepted and stored, no effect (nothing docks).
    bool GetDockSite() const { return FDockSite; }
    void SetDockSite(bool aValue) { FDockSite = aValue; }
    bool GetUseDockManager() const { return FUseDockManager; }
    void SetUseDockManager(bool aValue) { FUseDockManager = aValue; }

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

protected:
    // The rectangle the children are aligned in: the client rectangle (in
    // client coordinates) less what the control reserves (bevels, border width).
    virtual void AdjustClientRect(TRect& aRect) const;
    virtual void AlignControls(TControl* aControl, TRect& aRect);
    // With AutoSize: the size that just holds the visible children (their
    // right and bottom edges, the sizes of aligned ones) plus what
    // AdjustClientRect reserves. Client-aligned children do not count.
    bool CanAutoSize(int& NewWidth, int& NewHeight) override;

    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyPress(QChar& Key);
    virtual void KeyUp(Word& Key, TShiftState Shift);
    virtual void DoEnter();
    virtual void DoExit();
    // Keyboard focus arrives or leaves (for any reason, also window activation).
    virtual void WMSetFocus() {}
    virtual void WMKillFocus() {}
    // The focused control of this control's window changed.
    virtual void FocusChanged(TWinControl* /*aFocused*/) {}
    // Whether the control takes a key that would otherwise move the focus
    // (Tab and Shift+Tab).
    virtual bool WantSpecialKey(Word /*aKey*/) { return false; }

    void BoundsChanged(bool aSizeChanged) override;

    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    friend class TControl;
    void DoAlign(TAlign anAlign, TControl* aControl, TRect& aRect);
    void ApplyTabOrder();

    int FAlignLevel = 0;
    bool FAligning = false;
    bool FAlignPending = false;
    bool FTabStop = false;
    int FTabIndex = -1; // rank key within the parent's tab order
    QMetaObject::Connection FFocusConnection;
    bool FEntered = false; // between DoEnter and DoExit
    bool FDockSite = false;
    bool FUseDockManager = false;
};

// A windowed control that draws itself on a canvas.
class TCustomControl : public TWinControl
{
public:
    explicit TCustomControl(QWidget* aParent = nullptr);
    TCanvas* GetCanvas() const { return GetCanvasInternal(); }
};

// A control without a window of its own: it takes no focus and no keys, and
// draws over its parent (nothing is erased behind it). It stays below its
// windowed siblings.
class TGraphicControl : public TControl
{
public:
    explicit TGraphicControl(QWidget* aParent = nullptr);
    TCanvas* GetCanvas() const { return GetCanvasInternal(); }
    void SetParent(QWidget* aParent) override;

protected:
    bool EraseBackground() const override { return false; }

private:
    friend class TControl;
    void KeepBelowWindowedSiblings();
};

// ---------------------------------------------------------------------------
// Panels

class TCustomPanel : public TCustomControl
{
public:
    explicit TCustomPanel(QWidget* aParent = nullptr);

    TBevelCut GetBevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut aValue);
    TBevelCut GetBevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut aValue);
    int GetBevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int aValue);
    int GetBorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int aValue);
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle aValue);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment aValue);
    bool GetFullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool aValue) { FFullRepaint = aValue; }
    bool GetLocked() const { return FLocked; }
    void SetLocked(bool aValue) { FLocked = aValue; }

    TRect GetClientRect() const override;
    TPoint ClientOffset() const override;

protected:
    void AdjustClientRect(TRect& aRect) const override;
    void Paint() override;
    void PaintNonClient(QPainter* aPainter) override;
    // The width of the border outside the client area (2 for bsSingle).
    int BorderEdge() const { return FBorderStyle == bsSingle ? 2 : 0; }

private:
    void BorderChanged();

    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
    bool FFullRepaint = true;
    bool FLocked = false;
};

class TPanel : public TCustomPanel
{
public:
    using TCustomPanel::TCustomPanel;
};

// Draws a 3-D frame of Width lines inside aRect (top and left in TopColor,
// right and bottom in BottomColor) and shrinks aRect by Width on every side.
void Frame3D(TCanvas* aCanvas, TRect& aRect, TColor TopColor, TColor BottomColor, int Width);

} // namespace skedra
