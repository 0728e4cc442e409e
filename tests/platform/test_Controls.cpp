#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>

#include <memory>
#include <stdexcept>

#include "skedra/platform/Controls.h"
#include "skedra/platform/Messages.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace
{

// A panel without bevel, so that the whole client area is aligned in.
std::unique_ptr<TPanel> MakeHost(int w, int h)
{
    auto host = std::make_unique<TPanel>();
    host->SetBevelOuter(bvNone);
    host->SetBounds(0, 0, w, h);
    return host;
}

TPanel* Child(TWinControl* parent, TAlign align, int w, int h, const char* name)
{
    auto* c = new TPanel(parent);
    c->SetName(QString::fromLatin1(name));
    c->SetBounds(0, 0, w, h);
    c->SetAlign(align);
    return c;
}

} // namespace

TEST(AlignLayout, TopBottomLeftRightClientInResizedParent)
{
    auto host = MakeHost(400, 300);
    TPanel* top = Child(host.get(), alTop, 10, 30, "top");
    TPanel* bottom = Child(host.get(), alBottom, 10, 20, "bottom");
    TPanel* left = Child(host.get(), alLeft, 50, 10, "left");
    TPanel* right = Child(host.get(), alRight, 40, 10, "right");
    TPanel* client = Child(host.get(), alClient, 1, 1, "client");

    EXPECT_EQ(top->GetBoundsRect(), Rect(0, 0, 400, 30));
    EXPECT_EQ(bottom->GetBoundsRect(), Rect(0, 280, 400, 300));
    EXPECT_EQ(left->GetBoundsRect(), Rect(0, 30, 50, 280));
    EXPECT_EQ(right->GetBoundsRect(), Rect(360, 30, 400, 280));
    EXPECT_EQ(client->GetBoundsRect(), Rect(50, 30, 360, 280));

    host->SetBounds(0, 0, 600, 200);
    EXPECT_EQ(top->GetBoundsRect(), Rect(0, 0, 600, 30));
    EXPECT_EQ(bottom->GetBoundsRect(), Rect(0, 180, 600, 200));
    EXPECT_EQ(left->GetBoundsRect(), Rect(0, 30, 50, 180));
    EXPECT_EQ(right->GetBoundsRect(), Rect(560, 30, 600, 180));
    EXPECT_EQ(client->GetBoundsRect(), Rect(50, 30, 560, 180));

    // Hiding a child gives its room to the others; showing it takes it back.
    left->SetVisible(false);
    EXPECT_EQ(client->GetBoundsRect(), Rect(0, 30, 560, 180));
    left->SetVisible(true);
    EXPECT_EQ(client->GetBoundsRect(), Rect(50, 30, 560, 180));

    // A new height of an aligned child moves its neighbours.
    top->SetHeight(50);
    EXPECT_EQ(top->GetBoundsRect(), Rect(0, 0, 600, 50));
    EXPECT_EQ(client->GetBoundsRect(), Rect(50, 50, 560, 180));
    EXPECT_EQ(left->GetBoundsRect(), Rect(0, 50, 50, 180));

    // Too small a parent never gives negative sizes.
    host->SetBounds(0, 0, 60, 40);
    EXPECT_EQ(client->GetWidth(), 0);
    EXPECT_EQ(client->GetHeight(), 0);
}

TEST(AlignLayout, GroupsFollowPositionAndBevelsAndBorders)
{
    auto host = MakeHost(200, 200);
    TPanel* a = Child(host.get(), alTop, 10, 10, "a");
    TPanel* b = Child(host.get(), alTop, 10, 20, "b");
    // b was aligned last and wins the tie at top 0: it goes first.
    EXPECT_EQ(b->GetTop(), 0);
    EXPECT_EQ(a->GetTop(), 20);
    // Moving a above b by position reorders them.
    a->SetTop(-1);
    EXPECT_EQ(a->GetTop(), 0);
    EXPECT_EQ(b->GetTop(), 10);

    TPanel* r1 = Child(host.get(), alRight, 30, 10, "r1");
    TPanel* r2 = Child(host.get(), alRight, 40, 10, "r2");
    // Right-aligned children are placed from the right edge inward, the one
    // whose right edge lies further right first: r2 arrived at left 0.
    EXPECT_EQ(r1->GetBoundsRect(), Rect(170, 30, 200, 200));
    EXPECT_EQ(r2->GetBoundsRect(), Rect(130, 30, 170, 200));

    // The panel's bevels and border width shrink the aligned area.
    host->SetBevelOuter(bvRaised);
    host->SetBevelInner(bvLowered);
    host->SetBevelWidth(2);
    host->SetBorderWidth(3);
    EXPECT_EQ(a->GetBoundsRect(), Rect(7, 7, 193, 17));

    // A single border is outside the client area: client coordinates start inside it.
    host->SetBorderStyle(bsSingle);
    EXPECT_EQ(host->GetClientWidth(), 196);
    EXPECT_EQ(a->GetBoundsRect(), Rect(7, 7, 189, 17));
    EXPECT_EQ(a->x(), 9);
}

TEST(AlignLayout, DisableAlignDefersToTheLastEnable)
{
    auto host = MakeHost(300, 100);
    int resizes = 0;
    host->DisableAlign();
    host->DisableAlign();
    TPanel* c = Child(host.get(), alClient, 10, 10, "c");
    c->OnResize = [&](TObject*) { ++resizes; };
    host->SetBounds(0, 0, 310, 110);
    EXPECT_EQ(c->GetWidth(), 10);
    host->EnableAlign();
    EXPECT_EQ(c->GetWidth(), 10);
    host->EnableAlign();
    EXPECT_EQ(c->GetBoundsRect(), Rect(0, 0, 310, 110));
    EXPECT_EQ(resizes, 1);
}

TEST(AlignLayout, ChildResizingItselfDuringLayoutSettles)
{
    auto host = MakeHost(300, 100);
    TPanel* top = Child(host.get(), alTop, 10, 10, "top");
    TPanel* client = Child(host.get(), alClient, 10, 10, "client");
    // The top panel keeps its height at a third of its width: it changes its
    // own bounds while its parent is placing it.
    top->OnResize = [&](TObject*) { top->SetHeight(top->GetWidth() / 3); };
    host->SetBounds(0, 0, 240, 200);
    EXPECT_EQ(top->GetBoundsRect(), Rect(0, 0, 240, 80));
    EXPECT_EQ(client->GetBoundsRect(), Rect(0, 80, 240, 200));
}

// ---------------------------------------------------------------------------
// Input

namespace
{

struct Recorder : TCustomControl {
    using TCustomControl::TCustomControl;
    QStringList log;
    Word lastKey = 0;
    TShiftState lastShift;
    QString chars;

    static QString S(TShiftState s)
    {
        QString r;
        const char* names[] = {"Shift", "Alt", "Ctrl", "Left", "Right", "Middle", "Double"};
        for (int i = 0; i <= ssDouble; ++i)
            if (s.Contains(static_cast<TShiftStateItem>(i))) r += QString::fromLatin1(names[i]) + "+";
        return r;
    }

protected:
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override
    {
        log << QStringLiteral("down %1 %2 %3,%4").arg(b).arg(S(s)).arg(x).arg(y);
        TCustomControl::MouseDown(b, s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override
    {
        log << QStringLiteral("up %1 %2 %3,%4").arg(b).arg(S(s)).arg(x).arg(y);
        TCustomControl::MouseUp(b, s, x, y);
    }
    void Click() override
    {
        log << QStringLiteral("click");
        TCustomControl::Click();
    }
    void DblClick() override
    {
        log << QStringLiteral("dblclick");
        TCustomControl::DblClick();
    }
    void KeyDown(Word& key, TShiftState s) override
    {
        lastKey = key;
        lastShift = s;
        log << QStringLiteral("keydown %1 %2").arg(key).arg(S(s));
        TCustomControl::KeyDown(key, s);
    }
    void KeyPress(QChar& c) override
    {
        chars += c;
        TCustomControl::KeyPress(c);
    }
};

} // namespace

TEST(ControlInput, DoubleClickRaisesDblClickThenMouseDownWithDouble)
{
    Recorder r;
    r.SetBounds(0, 0, 100, 50);
    r.show();
    QTest::mouseClick(&r, Qt::LeftButton, Qt::NoModifier, QPoint(10, 12));
    QTest::mouseDClick(&r, Qt::LeftButton, Qt::NoModifier, QPoint(10, 12));
    QTest::mouseRelease(&r, Qt::LeftButton, Qt::NoModifier, QPoint(10, 12));
    const QStringList expected = {
        "down 0 Left+ 10,12", "click",
        "up 0  10,12", // first click
        "dblclick",           "down 0 Left+Double+ 10,12",
        "up 0  10,12", // second click: no Click
    };
    EXPECT_EQ(r.log, expected);
}

TEST(ControlInput, MouseShiftStatesAndButtonsFromQtEvents)
{
    Recorder r;
    r.SetBounds(0, 0, 100, 50);
    r.show();
    QTest::mousePress(&r, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(5, 6));
    QTest::mouseRelease(&r, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(5, 6));
    QTest::mousePress(&r, Qt::MiddleButton, Qt::AltModifier, QPoint(7, 8));
    ASSERT_EQ(r.log.size(), 3);
    EXPECT_EQ(r.log[0], "down 1 Shift+Ctrl+Right+ 5,6");
    EXPECT_EQ(r.log[1], "up 1 Shift+Ctrl+ 5,6"); // no click for the right button
    EXPECT_EQ(r.log[2], "down 2 Alt+Middle+ 7,8");
    QTest::mouseRelease(&r, Qt::MiddleButton, Qt::AltModifier, QPoint(7, 8));
}

TEST(ControlInput, ReleaseOutsideTheControlIsNoClick)
{
    Recorder r;
    r.SetBounds(0, 0, 100, 50);
    r.show();
    QTest::mousePress(&r, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(&r, Qt::LeftButton, Qt::NoModifier, QPoint(150, 10));
    EXPECT_FALSE(r.log.contains("click"));
}

TEST(ControlInput, VirtualKeyCodesAndShiftStatesFromQtKeys)
{
    Recorder r;
    r.SetBounds(0, 0, 100, 50);
    r.show();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        Word vk;
        TShiftState shift;
    };
    const Case cases[] = {
        {Qt::Key_Return, Qt::NoModifier, VK_RETURN, {}},
        {Qt::Key_Enter, Qt::KeypadModifier, VK_RETURN, {}},
        {Qt::Key_Space, Qt::NoModifier, VK_SPACE, {}},
        {Qt::Key_PageUp, Qt::NoModifier, VK_PRIOR, {}},
        {Qt::Key_PageDown, Qt::ShiftModifier, VK_NEXT, {ssShift}},
        {Qt::Key_End, Qt::NoModifier, VK_END, {}},
        {Qt::Key_Home, Qt::ControlModifier, VK_HOME, {ssCtrl}},
        {Qt::Key_Left, Qt::NoModifier, VK_LEFT, {}},
        {Qt::Key_Up, Qt::AltModifier, VK_UP, {ssAlt}},
        {Qt::Key_Right, Qt::NoModifier, VK_RIGHT, {}},
        {Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier, VK_DOWN, {ssShift, ssCtrl}},
        {Qt::Key_Escape, Qt::NoModifier, VK_ESCAPE, {}},
        {Qt::Key_Delete, Qt::NoModifier, VK_DELETE, {}},
        {Qt::Key_Insert, Qt::NoModifier, VK_INSERT, {}},
        {Qt::Key_Menu, Qt::NoModifier, VK_APPS, {}},
        {Qt::Key_F2, Qt::NoModifier, VK_F1 + 1, {}},
        {Qt::Key_A, Qt::ControlModifier, 'A', {ssCtrl}},
        {Qt::Key_7, Qt::NoModifier, '7', {}},
        {Qt::Key_7, Qt::KeypadModifier, VK_NUMPAD7, {}},
        {Qt::Key_Plus, Qt::KeypadModifier, VK_ADD, {}},
        {Qt::Key_Minus, Qt::NoModifier, VK_OEM_MINUS, {}},
    };
    for (const Case& c : cases) {
        r.lastKey = 0;
        QTest::keyPress(&r, c.key, c.mods);
        QTest::keyRelease(&r, c.key, c.mods);
        EXPECT_EQ(r.lastKey, c.vk) << "Qt key " << std::hex << c.key;
        EXPECT_TRUE(r.lastShift == c.shift) << "Qt key " << std::hex << c.key;
    }
    EXPECT_EQ(QtKeyFromKeyCode(VK_DOWN), Qt::Key_Down);
    EXPECT_EQ(KeyCodeFromQt(QtKeyFromKeyCode('Q')), 'Q');
}

TEST(ControlInput, KeyDownThenKeyPressWithTheCharacter)
{
    Recorder r;
    r.SetBounds(0, 0, 100, 50);
    r.show();
    QTest::keyClicks(&r, QStringLiteral("aB1"));
    EXPECT_EQ(r.chars, "aB1");
    EXPECT_EQ(r.log.first(), "keydown 65 ");
    r.chars.clear();
    QTest::keyClick(&r, Qt::Key_Left);
    QTest::keyClick(&r, Qt::Key_Delete);
    EXPECT_EQ(r.chars, ""); // keys without a character
}

TEST(ControlInput, TabReachesOnlyAControlThatWantsIt)
{
    struct WantsTab : Recorder {
        using Recorder::Recorder;
        bool want = false;
        bool WantSpecialKey(Word key) override { return want && key == VK_TAB; }
    };
    TPanel host;
    auto* r = new WantsTab(&host);
    r->SetTabStop(true);
    auto* other = new TPanel(&host);
    other->SetTabStop(true);
    host.show();
    QApplication::setActiveWindow(&host);
    r->SetFocus();
    QTest::keyClick(r, Qt::Key_Tab);
    EXPECT_NE(r->lastKey, VK_TAB); // moved the focus instead
    r->want = true;
    QTest::keyClick(r, Qt::Key_Tab);
    EXPECT_EQ(r->lastKey, VK_TAB);
}

// ---------------------------------------------------------------------------
// Exceptions at event boundaries

TEST(ControlExceptions, HandlerExceptionsReachTheMessageSinkAndTheAppGoesOn)
{
    test::ClearShownMessages();
    struct Throwing : TCustomControl {
        using TCustomControl::TCustomControl;
        int paints = 0;
        void Paint() override
        {
            ++paints;
            throw Exception(QStringLiteral("paint failed"));
        }
    };
    Throwing c;
    c.SetBounds(0, 0, 60, 40);
    c.OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) {
        throw std::runtime_error("mouse failed");
    };
    c.OnKeyDown = [](TObject*, Word&, TShiftState) { throw Exception(QStringLiteral("key failed")); };
    c.show();
    QImage image(60, 40, QImage::Format_ARGB32);
    c.render(&image);
    QTest::mouseClick(&c, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QTest::keyClick(&c, Qt::Key_X);
    const QStringList shown = test::ShownMessages();
    EXPECT_TRUE(shown.contains("paint failed"));
    EXPECT_TRUE(shown.contains("mouse failed"));
    EXPECT_TRUE(shown.contains("key failed"));
    // Still alive and responsive.
    bool clicked = false;
    c.OnClick = [&](TObject*) { clicked = true; };
    QTest::mouseClick(&c, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_TRUE(clicked);
    c.render(&image);
    EXPECT_GE(c.paints, 2);
}

// ---------------------------------------------------------------------------
// Panels

TEST(Panel, RaisedBevelAndBackgroundPixels)
{
    TPanel p;
    p.SetBounds(0, 0, 20, 10);
    p.SetColor(clRed);
    p.show();
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    p.render(&image);
    EXPECT_EQ(FromQColor(image.pixelColor(0, 0)), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(FromQColor(image.pixelColor(18, 0)), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(FromQColor(image.pixelColor(19, 0)), ColorToRGB(clBtnShadow));
    EXPECT_EQ(FromQColor(image.pixelColor(0, 9)), ColorToRGB(clBtnShadow));
    EXPECT_EQ(FromQColor(image.pixelColor(19, 9)), ColorToRGB(clBtnShadow));
    EXPECT_EQ(FromQColor(image.pixelColor(5, 5)), clRed);
}

TEST(GraphicControl, DrawsOverItsParentAndStaysBelowWindowedSiblings)
{
    struct Dot : TGraphicControl {
        using TGraphicControl::TGraphicControl;
        void Paint() override { GetCanvas()->SetPixel(1, 1, clBlue); }
    };
    TPanel host;
    host.SetBevelOuter(bvNone);
    host.SetColor(clLime);
    host.SetBounds(0, 0, 40, 20);
    auto* windowed = new TPanel(&host);
    windowed->SetBounds(30, 0, 10, 20);
    auto* dot = new Dot(&host);
    dot->SetBounds(0, 0, 10, 10);
    EXPECT_EQ(host.Controls(0), dot);
    EXPECT_EQ(host.Controls(1), windowed);
    dot->BringToFront();
    EXPECT_EQ(host.Controls(1), windowed);
    host.show();
    QImage image(40, 20, QImage::Format_RGB32);
    host.render(&image);
    EXPECT_EQ(FromQColor(image.pixelColor(1, 1)), clBlue);
    EXPECT_EQ(FromQColor(image.pixelColor(5, 5)), clLime); // not erased under the graphic control
}

TEST(ControlFont, ChildrenFollowTheParentFontUntilTheyGetTheirOwn)
{
    TPanel host;
    auto* a = new TPanel(&host);
    auto* b = new TPanel(&host);
    auto* inner = new TPanel(a);
    EXPECT_TRUE(a->GetParentFont());
    host.GetFont()->SetSize(14);
    EXPECT_EQ(a->GetFont()->GetSize(), 14);
    EXPECT_EQ(inner->GetFont()->GetSize(), 14);
    b->GetFont()->SetSize(7); // its own font from now on
    EXPECT_FALSE(b->GetParentFont());
    host.GetFont()->SetStyle(TFontStyles{fsBold});
    EXPECT_TRUE(a->GetFont()->GetStyle().Contains(fsBold));
    EXPECT_FALSE(b->GetFont()->GetStyle().Contains(fsBold));
    EXPECT_EQ(b->GetFont()->GetSize(), 7);
    b->SetParentFont(true);
    EXPECT_EQ(b->GetFont()->GetSize(), 14);
}

TEST(DragDrop, InProcessDragFromSourceToAcceptingTarget)
{
    TPanel host;
    host.SetBevelOuter(bvNone);
    host.SetBounds(0, 0, 200, 100);
    auto* source = new TPanel(&host);
    source->SetBounds(0, 0, 50, 50);
    auto* target = new TPanel(&host);
    target->SetBounds(100, 0, 50, 50);
    host.show();
    QStringList log;
    source->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int, int) {
        if (b == mbLeft) source->BeginDrag(false, 5);
    };
    target->OnDragOver = [&](TObject*, TObject* src, int x, int y, TDragState st, bool& accept) {
        log << QStringLiteral("over %1 %2,%3 %4").arg(st).arg(x).arg(y).arg(src == source);
        accept = true;
    };
    target->OnDragDrop = [&](TObject*, TObject* src, int x, int y) {
        log << QStringLiteral("drop %1,%2 %3").arg(x).arg(y).arg(src == source);
    };
    source->OnEndDrag = [&](TObject*, TObject* tgt, int x, int y) {
        log << QStringLiteral("end %1,%2 %3").arg(x).arg(y).arg(tgt == target);
    };
    QTest::mousePress(source, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseMove(source, QPoint(12, 10)); // below the threshold: nothing yet
    EXPECT_FALSE(source->Dragging());
    QTest::mouseMove(source, QPoint(115, 10));
    EXPECT_TRUE(source->Dragging());
    QTest::mouseMove(source, QPoint(120, 12));
    QTest::mouseRelease(source, Qt::LeftButton, Qt::NoModifier, QPoint(120, 12));
    const QStringList expected = {QStringLiteral("over %1 15,10 1").arg(dsDragEnter),
                                  QStringLiteral("over %1 20,12 1").arg(dsDragMove), "drop 20,12 1",
                                  "end 20,12 1"};
    EXPECT_EQ(log, expected);
    EXPECT_FALSE(source->Dragging());
}

TEST(ControlMisc, MouseCaptureScreenConversionAndControlsList)
{
    TPanel host;
    host.SetBevelOuter(bvNone);
    host.SetBorderStyle(bsSingle);
    host.SetBounds(0, 0, 100, 80);
    auto* child = new TPanel(&host);
    child->SetBounds(10, 20, 30, 30);
    host.show();
    EXPECT_EQ(host.ControlCount(), 1);
    EXPECT_EQ(host.Controls(0), child);
    EXPECT_THROW(host.Controls(1), EListError);
    // Client coordinates start inside the border.
    const TPoint p = child->ClientToScreen(TPoint(1, 2));
    EXPECT_EQ(p, host.ClientToScreen(TPoint(11, 22)));
    EXPECT_EQ(TPoint::From(host.mapToGlobal(QPoint(13, 24))), p);
    EXPECT_EQ(child->ScreenToClient(p), TPoint(1, 2));
    child->SetMouseCapture(true);
    EXPECT_TRUE(child->GetMouseCapture());
    child->SetMouseCapture(false);
    EXPECT_FALSE(child->GetMouseCapture());
    child->SetCursor(crHSplit);
    EXPECT_EQ(child->cursor().shape(), Qt::SplitHCursor);
    EXPECT_EQ(CursorToQt(crHandPoint), Qt::PointingHandCursor);
    EXPECT_EQ(CursorToQt(crVSplit), Qt::SplitVCursor);
    child->SetHint(QStringLiteral("tip"));
    EXPECT_TRUE(child->toolTip().isEmpty());
    child->SetShowHint(true);
    EXPECT_EQ(child->toolTip(), "tip");
}

TEST(Panel, CaptionIsCentredAndTheSingleBorderIsSunken)
{
    TPanel p;
    p.SetBevelOuter(bvNone);
    p.SetColor(clWhite);
    p.GetFont()->SetColor(clBlack);
    p.SetBounds(0, 0, 120, 40);
    p.SetCaption(QStringLiteral("Caption"));
    p.SetBorderStyle(bsSingle);
    p.show();
    QImage image(120, 40, QImage::Format_RGB32);
    p.render(&image);
    // Sunken edge: shadow outside top-left, highlight outside bottom-right.
    EXPECT_EQ(FromQColor(image.pixelColor(5, 0)), ColorToRGB(clBtnShadow));
    EXPECT_EQ(FromQColor(image.pixelColor(5, 39)), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(FromQColor(image.pixelColor(119, 5)), ColorToRGB(clBtnHighlight));
    // The text's ink lies around the centre, symmetric within a few pixels.
    int left = 120, right = -1, top = 40, bottom = -1;
    for (int y = 2; y < 38; ++y)
        for (int x = 2; x < 118; ++x)
            if (image.pixelColor(x, y).lightness() < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) / 2.0, 60, 3);
    EXPECT_NEAR((top + bottom) / 2.0, 20, 4);
}

TEST(ControlInput, AControlFreedByItsOwnKeyDownOrClickGetsNothingMore)
{
    TPanel host;
    host.show();
    auto* editor = new Recorder(&host);
    editor->SetBounds(0, 0, 50, 20);
    editor->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
        if (key == VK_RETURN) delete editor;
    };
    // Enter would also produce a character; the freed editor must not get it.
    editor->OnKeyPress = [&](TObject*, QChar&) { ADD_FAILURE() << "key press after the editor went"; };
    QTest::keyPress(editor, Qt::Key_Return);
    EXPECT_EQ(host.ControlCount(), 0);

    auto* button = new Recorder(&host);
    button->SetBounds(0, 0, 50, 20);
    bool upAfterFree = false;
    QPointer<QWidget> watch(button);
    button->OnClick = [&](TObject*) { delete button; };
    button->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { upAfterFree = true; };
    QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(watch.isNull());
    EXPECT_FALSE(upAfterFree);
}

namespace
{

// A child that frees a sibling, or adds one, in its own destructor.
class TSiblingFreer : public TPanel
{
public:
    using TPanel::TPanel;
    ~TSiblingFreer() override
    {
        delete Victim.data();
        if (AddTo) new TPanel(AddTo);
    }
    QPointer<QWidget> Victim;
    TWinControl* AddTo = nullptr;
};

} // namespace

TEST(ControlLifetime, ChildFreeingASiblingInItsDestructor)
{
    for (bool victimFirst : {false, true}) {
        auto host = MakeHost(200, 100);
        TPanel* victim = nullptr;
        TSiblingFreer* freer = nullptr;
        if (victimFirst) {
            victim = new TPanel(host.get());
            freer = new TSiblingFreer(host.get());
        } else {
            freer = new TSiblingFreer(host.get());
            victim = new TPanel(host.get());
        }
        auto* last = new TPanel(host.get());
        freer->Victim = victim;
        QPointer<QWidget> watchVictim(victim), watchLast(last);
        host.reset(); // AddressSanitizer reports a read of the freed sibling
        EXPECT_TRUE(watchVictim.isNull());
        EXPECT_TRUE(watchLast.isNull());
    }
    // A sibling added during the teardown goes too (the leak checker sees it otherwise).
    auto host = MakeHost(200, 100);
    auto* freer = new TSiblingFreer(host.get());
    freer->AddTo = host.get();
    host.reset();
}
