// Every component but the grid on a high-DPI screen: the date scaler, the
// tree and its popup menu, the Gantt chart, the schedule view and the splitter (see
// HighDpiSupport.h for what is checked). The grid has its own program: its
// header and the chart's cannot share a translation unit.
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <memory>

#include "skedra/foundation/qvSplitter.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/platform/Messages.h"
#include "skedra/scaler/qvScaler.h"
#include "skedra/schema/qvSchema.h"
#include "skedra/tree/qvTree.h"
#include "skedra/tree/qvTreePopup.h"
#include "tests/hidpi/HighDpiSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

// Lets menus really run; the test main closes every menu at once otherwise.
struct RealMenus {
    TPopupHandler previous = TPopupMenu::SetPopupHandler({});
    ~RealMenus() { TPopupMenu::SetPopupHandler(previous); }
};

} // namespace

// ---------------------------------------------------------------------------
// Date scaler

TEST_F(HighDpi, ScalerDrawsAtDeviceResolutionAndPressesMeanTheSameDate)
{
    auto* scaler = new TqvDateScaler(&form);
    scaler->SetHorizontal(true);
    scaler->SetColor(clWhite);
    scaler->SetIndicatorOn(false);
    scaler->SetBounds(0, 0, 600, 60);
    Show();
    scaler->SetStart(EncodeDate(2024, 3, 4));
    scaler->SetStop(EncodeDate(2024, 3, 11));
    Settle();
    scaler->Repaint();
    const QImage surface = SurfaceOf(scaler);
    EXPECT_TRUE(DeviceSized(surface, scaler));
    // The ticks stand in the bottom rows, below the labels.
    ExpectLinesOnLogicalPixels(surface, 4, QRect(0, 54, 600, 6));

    // A focus rectangle drawn twice straight onto the window is gone.
    TCanvas* direct = scaler->GetDirectCanvas();
    direct->DrawFocusRect(TRect(3, 3, 200, 40));
    EXPECT_NE(SurfaceOf(scaler), surface);
    scaler->GetDirectCanvas()->DrawFocusRect(TRect(3, 3, 200, 40));
    EXPECT_EQ(SurfaceOf(scaler), surface);

    // A press means the date under it (the right button's press date is not snapped).
    const TDateTime expected = scaler->PixelToDate(150);
    QTest::mousePress(scaler, Qt::RightButton, Qt::NoModifier, QPoint(150, 40));
    EXPECT_DOUBLE_EQ(scaler->GetPressDate(), expected);
    QTest::mouseRelease(scaler, Qt::RightButton, Qt::NoModifier, QPoint(150, 40));
}

// ---------------------------------------------------------------------------
// Tree and tree popup

TEST_F(HighDpi, TreeShowsSharpTextAndClicksSelectTheEntityUnderThem)
{
    auto* tree = new TqvTree(&form);
    tree->SetBounds(0, 0, 300, 400);
    std::vector<TqvDataEntity_Tree*> entities;
    for (int i = 0; i < 6; ++i) {
        TqvDataEntity_Tree* e = tree->AddDataEntity(nullptr);
        e->SetText(QStringLiteral("Node %1").arg(i));
        entities.push_back(e);
    }
    Show();
    tree->Viewport()->repaint();
    Settle();
    const QImage shown = tree->grab().toImage();
    EXPECT_EQ(shown.size(), tree->size() * kRatio);
    const QImage viewport = Rgb(tree->Viewport()->grab().toImage());
    const TRect label = tree->GetRect(entities[3]);
    ASSERT_FALSE(label.IsEmpty());
    TFont font;
    font.Assign(*tree->GetFont());
    ExpectTextAsDrawnDirectly(viewport, label, QStringLiteral("Node 3"), font, clBlack,
                              viewport.pixel(label.Left * kRatio, label.Top * kRatio));

    for (int i : {0, 3, 5}) {
        const TRect r = tree->GetRect(entities[static_cast<size_t>(i)]);
        QTest::mouseClick(tree->Viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(r.Left + 3, Middle(r).y()));
        Settle();
        EXPECT_EQ(tree->GetCurrentDataEntity(), entities[static_cast<size_t>(i)]);
    }
}

TEST_F(HighDpi, TreePopupIsDrawnAtDeviceResolutionAndAClickPicksTheItemUnderIt)
{
    const RealMenus realMenus;
    auto* tree = new TqvTree(&form);
    tree->SetBounds(0, 0, 300, 400);
    std::vector<TqvDataEntity_Tree*> entities;
    for (int i = 0; i < 4; ++i) {
        TqvDataEntity_Tree* e = tree->AddDataEntity(nullptr);
        e->SetText(QStringLiteral("Entry %1").arg(i));
        entities.push_back(e);
    }
    Show();
    TqvTreePopup popup;
    popup.SetTree(tree);
    std::vector<TqvDataEntity_Tree*> picked;
    popup.OnUserPickDataEntity = [&](TqvTreePopup*, TqvDataEntity_Tree* e) { picked.push_back(e); };
    QSize menuSize, grabbed;
    // Opens the submenu of "Entry 2" and clicks its item, once each menu is shown.
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        menuSize = menu->size();
        grabbed = menu->grab().toImage().size();
        QAction* entry = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == QStringLiteral("Entry 2")) entry = a;
        if (entry == nullptr || entry->menu() == nullptr) {
            menu->close();
            return;
        }
        menu->setActiveAction(entry);
        QTest::keyClick(menu, Qt::Key_Right);
        QTimer::singleShot(0, [&] {
            auto* sub = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (sub == nullptr) return;
            for (QAction* a : sub->actions())
                if (a->text() == QStringLiteral("Entry 2"))
                    QTest::mouseClick(sub, Qt::LeftButton, Qt::NoModifier, sub->actionGeometry(a).center());
            while (QWidget* open = QApplication::activePopupWidget())
                open->close();
        });
    });
    popup.Popup(40, 40);
    Settle();
    ASSERT_FALSE(menuSize.isEmpty());
    EXPECT_EQ(grabbed, menuSize * kRatio);
    EXPECT_EQ(picked, std::vector<TqvDataEntity_Tree*>{entities[2]});
}

// ---------------------------------------------------------------------------
// Gantt chart

TEST_F(HighDpi, GanttAreaLinesOutlinesAndClicks)
{
    constexpr TDateTime day = 47484.0;
    auto* gant = new TqvGant(&form);
    gant->SetBounds(0, 0, 900, 500);
    gant->GetTreeView()->SetItemHeight(20);
    Show();
    gant->GetDateScaler()->SetStart(day);
    gant->GetDateScaler()->SetStop(day + 2);
    std::vector<TqvDataEntity_GantTime*> items;
    for (int i = 0; i < 4; ++i) {
        TqvDataEntity_Tree* node = gant->AddDataEntityTree(nullptr);
        node->SetText(QStringLiteral("Row %1").arg(i));
        TqvDataEntity_GantTime* t = gant->AddGantTime(node, 0);
        t->SetStartDateTime(day + (6.0 + 3 * i) / 24);
        t->SetStopDateTime(day + (12.0 + 3 * i) / 24);
        items.push_back(t);
    }
    Settle();
    TqvOffscreenPaint_GA* ga = gant->GetGA();
    gant->GetTreeView()->Viewport()->repaint();
    ga->Repaint();
    Settle();
    const QImage surface = SurfaceOf(ga);
    EXPECT_TRUE(DeviceSized(surface, ga));
    ExpectLinesOnLogicalPixels(surface);
    const QImage scaler = SurfaceOf(gant->GetDateScaler());
    EXPECT_TRUE(DeviceSized(scaler, gant->GetDateScaler()));

    // Clicks select the item under them.
    for (TqvDataEntity_GantTime* t : {items[1], items[3]}) {
        TRect r;
        ASSERT_TRUE(gant->RectFromDataEntity(t, r));
        Press(ga, Middle(r));
        Release(ga, Middle(r));
        Settle();
        EXPECT_TRUE(t->GetSelected());
    }

    // The outline of a move: drawn, moved away and back, the surface is the same.
    ga->Repaint();
    TRect r;
    ASSERT_TRUE(gant->RectFromDataEntity(items[0], r));
    const QPoint p = Middle(r);
    Press(ga, p);
    MoveTo(ga, p + QPoint(30, 0));
    const QImage at30 = SurfaceOf(ga);
    EXPECT_NE(at30, Rgb(ga->GetOffscreenBitmap()->Image()));
    MoveTo(ga, p + QPoint(60, 0));
    MoveTo(ga, p + QPoint(30, 0));
    EXPECT_EQ(SurfaceOf(ga), at30);
    MoveTo(ga, p);
    Release(ga, p);
    Settle();
    EXPECT_EQ(SurfaceOf(ga), Rgb(ga->GetOffscreenBitmap()->Image()));
}

// ---------------------------------------------------------------------------
// Schedule view

TEST_F(HighDpi, ScheduleAreaLinesOutlinesAndClicks)
{
    const TDateTime monday = EncodeDate(2024, 3, 4);
    auto* schema = new TqvSchema(&form);
    schema->SetBounds(0, 0, 600, 420);
    Show();
    schema->SetScalerStart(monday);
    schema->SetScalerStop(monday + 1);
    Settle();
    for (int c = 0; c < 3; ++c)
        schema->AddColumn()->SetText(QStringLiteral("Day %1").arg(c));
    std::vector<TqvDataEntity_SchemaTime*> items;
    for (int c = 0; c < 3; ++c) {
        TqvDataEntity_SchemaTime* t = schema->AddSchemaTime(0);
        t->SetCol(c);
        t->SetStartDateTime(monday + (8.0 + c) / 24);
        t->SetStopDateTime(monday + (11.0 + c) / 24);
        items.push_back(t);
    }
    Settle();
    TqvOffscreenPaint_Schema* area = schema->GetSchemaArea();
    area->Repaint();
    Settle();
    const QImage surface = SurfaceOf(area);
    EXPECT_TRUE(DeviceSized(surface, area));
    ExpectLinesOnLogicalPixels(surface);

    for (TqvDataEntity_SchemaTime* t : {items[2], items[0]}) {
        TRect r;
        ASSERT_TRUE(schema->RectFromDataEntity(schema->GetFlipView(), t, r));
        Press(area, Middle(r));
        Release(area, Middle(r));
        Settle();
        EXPECT_TRUE(t->GetSelected());
    }

    area->Repaint();
    Settle();
    TRect r;
    ASSERT_TRUE(schema->RectFromDataEntity(schema->GetFlipView(), items[1], r));
    const QPoint p = Middle(r);
    Press(area, p);
    MoveTo(area, p + QPoint(0, 30));
    const QImage at30 = SurfaceOf(area);
    EXPECT_NE(at30, Rgb(area->GetOffscreenBitmap()->Image()));
    MoveTo(area, p + QPoint(0, 60));
    MoveTo(area, p + QPoint(0, 30));
    EXPECT_EQ(SurfaceOf(area), at30);
    MoveTo(area, p);
    Release(area, p);
    Settle();
    EXPECT_EQ(SurfaceOf(area), Rgb(area->GetOffscreenBitmap()->Image()));
}

// ---------------------------------------------------------------------------
// Splitter

TEST_F(HighDpi, SplitterDragLineInvertsWholeLogicalPixelsAndTheDragResizesByLogicalPixels)
{
    for (const auto style : {TqvSplitter::rsLine, TqvSplitter::rsPattern}) {
        auto* parent = new TPanel(&form);
        parent->SetBevelOuter(bvNone);
        parent->SetColor(clWhite);
        parent->SetBounds(0, 0, 600, 400);
        auto* sized = new TPanel(parent);
        sized->SetColor(clSilver);
        sized->SetBounds(0, 0, 200, 400);
        sized->SetAlign(alLeft);
        auto* splitter = new TqvSplitter(parent);
        splitter->SetAlign(alLeft);
        splitter->SetBounds(200, 0, 3, 400);
        splitter->SetResizeStyle(style);
        auto* rest = new TPanel(parent);
        rest->SetBevelOuter(bvNone);
        rest->SetColor(clWhite);
        rest->SetAlign(alClient);
        Show();
        QTest::mousePress(splitter, Qt::LeftButton, Qt::NoModifier, QPoint(1, 100));
        QTest::mouseMove(splitter, QPoint(26, 100));
        QTest::mouseMove(splitter, QPoint(51, 100));
        Settle();
        const auto lines = parent->findChildren<QWidget*>(QStringLiteral("qvSplitterLine"));
        ASSERT_EQ(lines.size(), 1);
        ASSERT_TRUE(lines.front()->isVisible());
        // The line over the white panel: every pixel inverted to black (a line), or
        // checkered per logical pixel (a pattern); never half of a logical pixel.
        const QPointer<QWidget> shown = lines.front();
        const QImage line = Rgb(shown->grab().toImage());
        EXPECT_EQ(line.size(), shown->size() * kRatio);
        int black = 0;
        for (int y = 0; y < line.height(); ++y)
            for (int x = 0; x < line.width(); ++x) {
                const QRgb p = line.pixel(x, y);
                const QRgb blockCorner = line.pixel(x - x % kRatio, y - y % kRatio);
                ASSERT_EQ(p, blockCorner) << "device pixel " << x << "," << y;
                black += qGray(p) < 128 ? 1 : 0;
            }
        if (style == TqvSplitter::rsLine)
            EXPECT_EQ(black, line.width() * line.height());
        else
            EXPECT_NEAR(black, line.width() * line.height() / 2, line.width() * kRatio);
        QTest::mouseRelease(splitter, Qt::LeftButton, Qt::NoModifier, QPoint(51, 100));
        Settle();
        EXPECT_TRUE(shown.isNull() || !shown->isVisible());
        EXPECT_EQ(sized->GetWidth(), 250);
        delete parent;
    }
}
