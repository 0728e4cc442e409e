// The chart's published properties: each reads back what was set and reaches
// the part it belongs to; and the paint looks only at the links that can show,
// drawing exactly what a walk over every link draws.
#include <gtest/gtest.h>

#include <QImage>

#include <functional>
#include <random>

#include "skedra/gantt/GantTestHooks_p.h"
#include "skedra/platform/Menus.h"
#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

class GantProperties : public GantFixture
{
};

TEST_F(GantProperties, EachReadsBackAndReachesItsPart)
{
    TqvGant& g = *gant;
    TGantTree* tree = Tree();
    TqvDateScaler* scaler = Scaler();
    struct TCase {
        const char* Name;
        std::function<void()> Set;
        std::function<bool()> ReadsBack;
        std::function<bool()> Reached;
    };
    TFont font;
    font.SetName(QStringLiteral("DejaVu Sans"));
    font.SetSize(13);
    TPopupMenu menu(&g);
    const std::vector<TCase> cases = {
        {"ColorTree", [&] { g.SetColorTree(clYellow); }, [&] { return g.GetColorTree() == clYellow; },
         [&] { return tree->GetColor() == clYellow; }},
        {"DragCursorTree", [&] { g.SetDragCursorTree(crHandPoint); },
         [&] { return g.GetDragCursorTree() == crHandPoint; },
         [&] { return tree->GetDragCursor() == crHandPoint; }},
        {"DragModeTree", [&] { g.SetDragModeTree(dmAutomatic); },
         [&] { return g.GetDragModeTree() == dmAutomatic; },
         [&] { return tree->GetDragMode() == dmAutomatic; }},
        {"FontTree", [&] { g.SetFontTree(&font); }, [&] { return g.GetFontTree()->GetSize() == 13; },
         [&] { return tree->GetFont()->GetSize() == 13; }},
        {"BorderStyleTree", [&] { g.SetBorderStyleTree(bsSingle); },
         [&] { return g.GetBorderStyleTree() == bsSingle; },
         [&] { return tree->GetBorderStyle() == bsSingle; }},
        {"HideSelectionTree", [&] { g.SetHideSelectionTree(false); },
         [&] { return !g.GetHideSelectionTree(); }, [&] { return !tree->GetHideSelection(); }},
        {"HotTrackTree", [&] { g.SetHotTrackTree(true); }, [&] { return g.GetHotTrackTree(); },
         [&] { return tree->GetHotTrack(); }},
        {"IndentTree", [&] { g.SetIndentTree(27); }, [&] { return g.GetIndentTree() == 27; },
         [&] { return tree->GetIndent() == 27; }},
        {"ToolTipsTree", [&] { g.SetToolTipsTree(false); }, [&] { return !g.GetToolTipsTree(); },
         [&] { return !tree->GetToolTips(); }},
        {"AutoExpandLevelsTree", [&] { g.SetAutoExpandLevelsTree(2); },
         [&] { return g.GetAutoExpandLevelsTree() == 2; }, [&] { return tree->GetAutoExpandLevels() == 2; }},
        {"MaxLevelsTree", [&] { g.SetMaxLevelsTree(4); }, [&] { return g.GetMaxLevelsTree() == 4; },
         [&] { return tree->GetMaxLevels() == 4; }},
        {"RightClickSelectTree", [&] { g.SetRightClickSelectTree(true); },
         [&] { return g.GetRightClickSelectTree(); }, [&] { return tree->GetRightClickSelect(); }},
        {"MultiSelectTree", [&] { g.SetMultiSelectTree(false); }, [&] { return !g.GetMultiSelectTree(); },
         [&] { return !tree->GetMultiSelect(); }},
        {"GridLinesTree", [&] { g.SetGridLinesTree(true); }, [&] { return g.GetGridLinesTree(); },
         [&] { return tree->GetDrawGridLines(); }},
        {"AutoExpandTree", [&] { g.SetAutoExpandTree(true); }, [&] { return g.GetAutoExpandTree(); },
         [&] { return tree->GetAutoExpand(); }},
        {"RowSelectTree", [&] { g.SetRowSelectTree(true); }, [&] { return g.GetRowSelectTree(); },
         [&] { return tree->GetRowSelect(); }},
        {"ShowButtonsTree", [&] { g.SetShowButtonsTree(false); }, [&] { return !g.GetShowButtonsTree(); },
         [&] { return !tree->GetShowButtons(); }},
        {"ShowLinesTree", [&] { g.SetShowLinesTree(false); }, [&] { return !g.GetShowLinesTree(); },
         [&] { return !tree->GetShowLines(); }},
        {"CursorTree", [&] { g.SetCursorTree(crCross); }, [&] { return g.GetCursorTree() == crCross; },
         [&] { return tree->GetCursor() == crCross; }},
        {"DateFormat", [&] { g.SetDateFormat(QStringLiteral("DD.MM.YY")); },
         [&] { return g.GetDateFormat() == QStringLiteral("DD.MM.YY"); },
         [&] { return scaler->GetDateFormat() == QStringLiteral("DD.MM.YY"); }},
        {"TimeFormat", [&] { g.SetTimeFormat(QStringLiteral("HH:NN")); },
         [&] { return g.GetTimeFormat() == QStringLiteral("HH:NN"); },
         [&] { return scaler->GetTimeFormat() == QStringLiteral("HH:NN"); }},
        {"IndicatorOn", [&] { g.SetIndicatorOn(false); }, [&] { return !g.GetIndicatorOn(); },
         [&] { return !scaler->GetIndicatorOn(); }},
        {"PixelsForModeSwitch", [&] { g.SetPixelsForModeSwitch(77); },
         [&] { return g.GetPixelsForModeSwitch() == 77; },
         [&] { return scaler->GetPixelsForModeSwitch() == 77; }},
        {"Start", [&] { g.SetStart(kChartDay + 0.5); }, [&] { return g.GetStart() == kChartDay + 0.5; },
         [&] { return scaler->GetStart() == kChartDay + 0.5; }},
        {"Stop", [&] { g.SetStop(kChartDay + 3); }, [&] { return g.GetStop() == kChartDay + 3; },
         [&] { return scaler->GetStop() == kChartDay + 3; }},
        {"Scale", [&] { g.SetScale(g.GetScale() / 2); }, [&] { return g.GetScale() == scaler->GetScale(); },
         [&] { return std::abs(scaler->GetStop() - scaler->GetStart() - 1.25) < 0.01; }},
        {"ZoomFactor", [&] { g.SetZoomFactor(0.7); }, [&] { return g.GetZoomFactor() == 0.7; },
         [&] { return scaler->GetZoomFactor() == 0.7; }},
        {"ColorScaler", [&] { g.SetColorScaler(clAqua); }, [&] { return g.GetColorScaler() == clAqua; },
         [&] {
             return scaler->GetColor() == clAqua && g.GetPanelScaleAndGantHolder()->GetColor() == clAqua &&
                    g.GetTreeHeaderBox()->GetColor() == clAqua && g.GetScrollBox()->GetColor() == clAqua &&
                    g.GetColor() == clAqua;
         }},
        {"FontScaler", [&] { g.SetFontScaler(&font); }, [&] { return g.GetFontScaler()->GetSize() == 13; },
         [&] { return scaler->GetFont()->GetSize() == 13; }},
        {"CursorScaler", [&] { g.SetCursorScaler(crIBeam); }, [&] { return g.GetCursorScaler() == crIBeam; },
         [&] { return scaler->GetCursor() == crIBeam; }},
        {"FirstDayOfWeekScaler", [&] { g.SetFirstDayOfWeekScaler(3); },
         [&] { return g.GetFirstDayOfWeekScaler() == 3; }, [&] { return scaler->GetFirstDayOfWeek() == 3; }},
        {"RescaleWithCtrl", [&] { g.SetRescaleWithCtrl(true); }, [&] { return g.GetRescaleWithCtrl(); },
         [&] { return scaler->GetRescaleWithCtrl(); }},
        {"LookAndFeel", [&] { g.SetLookAndFeel(tlfBoxed); }, [&] { return g.GetLookAndFeel() == tlfBoxed; },
         [&] { return scaler->GetLookAndFeel() == tlfBoxed; }},
        {"ScrollButtons", [&] { g.SetScrollButtons(tsbOff); }, [&] { return g.GetScrollButtons() == tsbOff; },
         [&] { return scaler->GetScrollButtons() == tsbOff; }},
        {"MinStart", [&] { g.SetMinStart(kChartDay - 100); },
         [&] { return g.GetMinStart() == kChartDay - 100; },
         [&] { return scaler->GetMinStart() == kChartDay - 100; }},
        {"MaxStop", [&] { g.SetMaxStop(kChartDay + 100); }, [&] { return g.GetMaxStop() == kChartDay + 100; },
         [&] { return scaler->GetMaxStop() == kChartDay + 100; }},
        {"HiddenHours",
         [&] {
             g.SetHiddenHours(TqvHiddenHours{thh00, thh01});
         },
         [&] {
             return g.GetHiddenHours() == TqvHiddenHours{thh00, thh01};
         },
         [&] {
             return scaler->GetHiddenHours() == TqvHiddenHours{thh00, thh01};
         }},
        {"HiddenDays", [&] { g.SetHiddenDays(TqvHiddenDays{thdSUN}); },
         [&] { return g.GetHiddenDays() == TqvHiddenDays{thdSUN}; },
         [&] { return scaler->GetHiddenDays() == TqvHiddenDays{thdSUN}; }},
        {"GantBackColor", [&] { g.SetGantBackColor(clWhite); },
         [&] { return g.GetGantBackColor() == clWhite; },
         [&] { return g.GetPyjamasBitmap()->Image().pixel(1, 1) == qRgb(255, 255, 255); }},
        {"GantPyjamasColor", [&] { g.SetGantPyjamasColor(clBlue); },
         [&] { return g.GetGantPyjamasColor() == clBlue; },
         [&] { return g.GetPyjamasBitmap()->Image().pixel(0, 1) == qRgb(0, 0, 255); }},
        {"UseTabSheets", [&] { g.SetUseTabSheets(true); }, [&] { return g.GetUseTabSheets(); },
         [&] { return g.GetPageControl()->GetVisible(); }},
        {"DrawShortLines", [&] { g.SetDrawShortLines(true); }, [&] { return g.GetDrawShortLines(); },
         [] { return true; }},
        {"DrawLongLines", [&] { g.SetDrawLongLines(false); }, [&] { return !g.GetDrawLongLines(); },
         [] { return true; }},
        {"VerticalPyjamas", [&] { g.SetVerticalPyjamas(true); }, [&] { return g.GetVerticalPyjamas(); },
         [] { return true; }},
        {"TodayLineColor", [&] { g.SetTodayLineColor(clRed); },
         [&] { return g.GetTodayLineColor() == clRed; }, [] { return true; }},
        {"TodayLineOnOff", [&] { g.SetTodayLineOnOff(true); }, [&] { return g.GetTodayLineOnOff(); },
         [] { return true; }},
        {"ScalerHeight", [&] { g.SetScalerHeight(52); }, [&] { return g.GetScalerHeight() == 52; },
         [&] { return scaler->GetHeight() == 52 && g.GetScrollBox()->GetHeight() == 52; }},
        {"TreeWidth", [&] { g.SetTreeWidth(222); }, [&] { return g.GetTreeWidth() == 222; },
         [&] { return g.GetTreePanel()->GetWidth() == 222; }},
        {"DefaultLinkStyle", [&] { g.SetDefaultLinkStyle(tlsMSProject); },
         [&] { return g.GetDefaultLinkStyle() == tlsMSProject; },
         [&] { return g.AddLink()->LinkStyle == tlsMSProject; }},
        {"DefaultLinkColor", [&] { g.SetDefaultLinkColor(clGreen); },
         [&] { return g.GetDefaultLinkColor() == clGreen; }, [&] { return g.AddLink()->Color == clGreen; }},
        {"DefaultLinkPenWidth", [&] { g.SetDefaultLinkPenWidth(3); },
         [&] { return g.GetDefaultLinkPenWidth() == 3; }, [&] { return g.AddLink()->PenWidth == 3; }},
        {"LinkShow", [&] { g.SetLinkShow(lsAlways); }, [&] { return g.GetLinkShow() == lsAlways; },
         [] { return true; }},
        {"FontTimeItemStyle2", [&] { g.SetFontTimeItemStyle2(&font); },
         [&] { return g.GetFontTimeItemStyle2()->GetSize() == 13; }, [] { return true; }},
        {"PopupMenuGantArea", [&] { g.SetPopupMenuGantArea(&menu); },
         [&] { return g.GetPopupMenuGantArea() == &menu; }, [&] { return GA()->GetPopupMenu() == &menu; }},
        {"PopupMenuTreeview", [&] { g.SetPopupMenuTreeview(&menu); },
         [&] { return g.GetPopupMenuTreeview() == &menu; }, [&] { return tree->GetPopupMenu() == &menu; }},
        {"PopupMenuScaler", [&] { g.SetPopupMenuScaler(&menu); },
         [&] { return g.GetPopupMenuScaler() == &menu; }, [&] { return scaler->GetPopupMenu() == &menu; }},
    };
    for (const TCase& c : cases) {
        c.Set();
        EXPECT_TRUE(c.ReadsBack()) << c.Name;
        EXPECT_TRUE(c.Reached()) << c.Name;
    }
    g.SetUseTabSheets(false);

    // The tree's events are the tree's own.
    int calls = 0;
    g.SetOnTreeMouseDown([&](TObject*, TMouseButton, TShiftState, int, int) { ++calls; });
    tree->OnMouseDown(tree, mbLeft, TShiftState(), 1, 1);
    g.SetOnInsertItem_Tree([&](TObject*, TqvDataEntity*) { ++calls; });
    AddNode();
    EXPECT_EQ(calls, 2);
    g.SetOnInsertItem_Tree(nullptr);
    g.SetPopupMenuGantArea(nullptr);
    g.SetPopupMenuTreeview(nullptr);
    g.SetPopupMenuScaler(nullptr);
}

TEST_F(GantProperties, ScalerEventsReachTheApplication)
{
    int aligns = 0, changes = 0;
    int lastWidth = -1;
    gant->OnAlignNeed = [&](TqvGant_ComBasic*, TDateTime, TDateTime, int w) {
        ++aligns;
        lastWidth = w;
    };
    gant->OnScalerChange = [&](TqvGant_ComBasic*, TDateTime, TDateTime) { ++changes; };
    Scaler()->SetStop(kChartDay + 4);
    Flush();
    EXPECT_GT(aligns, 0);
    EXPECT_GT(changes, 0);
    // SetScaleAndTree does not ask for an alignment.
    aligns = 0;
    gant->SetScaleAndTree(180, kChartDay + 1, kChartDay + 5);
    EXPECT_EQ(aligns, 0);
    Flush();
    EXPECT_EQ(gant->GetTreeWidth(), 180);
    EXPECT_EQ(gant->GetStart(), kChartDay + 1);
    EXPECT_EQ(gant->GetStop(), kChartDay + 5);
    gant->SetTreeWidth(200);
    Flush();
    EXPECT_GT(aligns, 0);
    EXPECT_EQ(lastWidth, 200);
}

// The links a paint looks at draw exactly what every link draws: at many
// scroll positions, with long links across the view and collapsed parents.
TEST_F(GantProperties, LinksInViewDrawWhatEveryLinkDraws)
{
    std::mt19937 rng(5);
    std::vector<TqvDataEntity_Tree*> parents;
    std::vector<TqvDataEntity_GantTime*> items;
    for (int p = 0; p < 60; ++p) {
        TqvDataEntity_Tree* parent = AddNode();
        parents.push_back(parent);
        for (int c = 0; c < 4; ++c) {
            TqvDataEntity_Tree* node = c == 0 ? parent : AddNode(parent);
            const double s = std::uniform_real_distribution<double>(-0.5, 2.0)(rng);
            items.push_back(AddTime(node, 0, kChartDay + s, kChartDay + s + 0.2));
        }
        parent->SetExpanded(p % 5 != 3);
    }
    for (int i = 0; i < 400; ++i) {
        TqvDataEntity_Link* link = gant->AddLink();
        const size_t a = std::uniform_int_distribution<size_t>(0, items.size() - 1)(rng);
        // Mostly near links, some across the whole chart.
        const long span = i % 10 == 0 ? static_cast<long>(items.size()) : 12;
        const long b =
            std::clamp<long>(static_cast<long>(a) + std::uniform_int_distribution<long>(-span, span)(rng), 0,
                             static_cast<long>(items.size()) - 1);
        link->First = items[a];
        link->Second = items[static_cast<size_t>(b)];
        link->LinkStyle = i % 3 == 0 ? tlsMSProject : tlsDefault;
        link->StartFinishOption = static_cast<TLinkStartFinishOption>(i % 5);
    }
    for (TLinkShow show : {lsOneEndVisible, lsAlways}) {
        gant->SetLinkShow(show);
        for (int top : {0, 13, 57, 101, 150, 180}) {
            Tree()->SetTopItem(Tree()->GetDataEntityFromRow(top));
            Paint();
            const QImage fast = GA()->GetWindowSurface()->Image().copy();
            std::vector<TqvDataEntity_Link*> inView;
            TGantTestHooks::LinksInView(gant.get(), inView);
            EXPECT_LT(inView.size(), 400u) << top;
            TGantTestHooks::SetLinkIndexEnabled(gant.get(), false);
            Paint();
            const QImage slow = GA()->GetWindowSurface()->Image().copy();
            TGantTestHooks::SetLinkIndexEnabled(gant.get(), true);
            EXPECT_EQ(fast, slow) << "top row " << top << " show " << show;
        }
    }
    // A link whose end moves to another row, announced: the index follows.
    TqvDataEntity_Link* link = static_cast<TqvDataEntity_Link*>(gant->GetLinks()->GetItems(0));
    link->Second = items.back();
    link->DoInfoPush();
    Tree()->SetTopItem(Tree()->GetDataEntityFromRow(0));
    Paint();
    const QImage fast = GA()->GetWindowSurface()->Image().copy();
    TGantTestHooks::SetLinkIndexEnabled(gant.get(), false);
    Paint();
    EXPECT_EQ(fast, GA()->GetWindowSurface()->Image());
    TGantTestHooks::SetLinkIndexEnabled(gant.get(), true);
}

} // namespace
