// The published sizing and layout members of controls: Anchors, Constraints,
// OnCanResize/OnConstrainedResize, AutoSize, BiDiMode, ParentShowHint and the
// design-time state.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include <memory>
#include <vector>

#include "skedra/platform/Controls.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

namespace
{

std::unique_ptr<TPanel> MakeForm(int w, int h)
{
    auto form = std::make_unique<TPanel>();
    form->SetBevelOuter(bvNone);
    form->SetBounds(0, 0, w, h);
    return form;
}

TPanel* Child(TWinControl* parent, int l, int t, int w, int h)
{
    auto* c = new TPanel(parent);
    c->SetBevelOuter(bvNone);
    c->SetBounds(l, t, w, h);
    return c;
}

} // namespace

TEST(Anchors, FollowTheEdgesOfAnAlignedParent)
{
    // The form resizes; its client-aligned panel follows by Align; the
    // anchored children of that panel follow the panel's edges.
    auto form = MakeForm(400, 300);
    TPanel* host = Child(form.get(), 0, 0, 10, 10);
    host->SetAlign(alClient);
    TPanel* corner = Child(host, 300, 250, 80, 30); // 20 from the right, 20 from the bottom
    corner->SetAnchors({akRight, akBottom});
    TPanel* stretched = Child(host, 10, 10, 380, 20); // 10 from each side
    stretched->SetAnchors({akLeft, akTop, akRight});
    TPanel* centred = Child(host, 150, 100, 100, 50); // centred horizontally at 200 of 400
    centred->SetAnchors({akTop});
    TPanel* plain = Child(host, 5, 200, 30, 30); // left and top: stays

    form->SetBounds(0, 0, 600, 500);
    EXPECT_EQ(host->GetBoundsRect(), Rect(0, 0, 600, 500));
    EXPECT_EQ(corner->GetBoundsRect(), Rect(500, 450, 580, 480));
    EXPECT_EQ(stretched->GetBoundsRect(), Rect(10, 10, 590, 30));
    EXPECT_EQ(centred->GetBoundsRect(), Rect(250, 100, 350, 150));
    EXPECT_EQ(plain->GetBoundsRect(), Rect(5, 200, 35, 230));

    // Back to the first size: everything where it started.
    form->SetBounds(0, 0, 400, 300);
    EXPECT_EQ(corner->GetBoundsRect(), Rect(300, 250, 380, 280));
    EXPECT_EQ(stretched->GetBoundsRect(), Rect(10, 10, 390, 30));
    EXPECT_EQ(centred->GetBoundsRect(), Rect(150, 100, 250, 150));

    // Setting the bounds takes the distances anew.
    corner->SetBounds(100, 100, 80, 30); // now 220 from the right, 170 from the bottom
    form->SetBounds(0, 0, 500, 300);
    EXPECT_EQ(corner->GetBoundsRect(), Rect(200, 100, 280, 130));
}

TEST(Constraints, HoldThroughBoundsAndAlignLayouts)
{
    auto form = MakeForm(400, 300);
    TPanel* left = Child(form.get(), 0, 0, 100, 10);
    left->SetAlign(alLeft);
    left->GetConstraints()->SetMaxWidth(80); // applied at once
    EXPECT_EQ(left->GetWidth(), 80);
    TPanel* top = Child(form.get(), 0, 0, 10, 10);
    top->GetConstraints()->SetMinHeight(40);
    top->SetAlign(alTop);
    TPanel* client = Child(form.get(), 0, 0, 10, 10);
    client->GetConstraints()->SetMaxWidth(250);
    client->GetConstraints()->SetMinHeight(200);
    client->SetAlign(alClient);

    EXPECT_EQ(top->GetBoundsRect(), Rect(0, 0, 400, 40));
    EXPECT_EQ(left->GetBoundsRect(), Rect(0, 40, 80, 300));
    EXPECT_EQ(client->GetBoundsRect(), Rect(80, 40, 330, 300)); // at most 250 wide

    left->SetWidth(200);
    EXPECT_EQ(left->GetWidth(), 80);
    form->SetBounds(0, 0, 400, 150); // the client panel keeps its minimum height
    EXPECT_EQ(client->GetBoundsRect(), Rect(80, 40, 330, 240));
    EXPECT_EQ(left->GetBoundsRect(), Rect(0, 40, 80, 150));

    // A maximum below the minimum is raised to it.
    TPanel* odd = Child(form.get(), 0, 0, 10, 10);
    odd->GetConstraints()->SetMinWidth(50);
    odd->GetConstraints()->SetMaxWidth(20);
    EXPECT_EQ(odd->GetWidth(), 50);
    odd->SetWidth(90);
    EXPECT_EQ(odd->GetWidth(), 50);
}

TEST(Constraints, CanResizeAndConstrainedResizeDecideTheSize)
{
    auto form = MakeForm(400, 300);
    TPanel* p = Child(form.get(), 10, 10, 100, 50);
    p->GetConstraints()->SetMaxWidth(120);
    std::vector<QString> events;
    p->OnCanResize = [&](TObject* sender, int& w, int& h, bool& resize) {
        EXPECT_EQ(sender, p);
        events.push_back(QStringLiteral("can %1x%2").arg(w).arg(h));
        if (w == 13) resize = false;
        if (w == 77) w = 78;
    };
    p->OnConstrainedResize = [&](TObject*, int& minW, int&, int& maxW, int&) {
        events.push_back(QStringLiteral("limits %1..%2").arg(minW).arg(maxW));
        if (events.size() > 4) maxW = 300; // the handler may widen the limits
    };
    p->SetBounds(20, 20, 200, 60);
    EXPECT_EQ(p->GetBoundsRect(), Rect(20, 20, 140, 80));
    p->SetBounds(30, 30, 13, 60); // refused: nothing changes, not even the position
    EXPECT_EQ(p->GetBoundsRect(), Rect(20, 20, 140, 80));
    p->SetBounds(20, 20, 77, 60);
    EXPECT_EQ(p->GetWidth(), 78);
    p->SetBounds(20, 20, 250, 60);
    EXPECT_EQ(p->GetWidth(), 250);
    EXPECT_EQ(events, (std::vector<QString>{"can 200x60", "limits 0..120", "can 13x60", "can 77x60",
                                            "limits 0..120", "can 250x60", "limits 0..120"}));
    // A move alone is not asked about; the limits still hold.
    events.clear();
    p->SetBounds(0, 0, 250, 60);
    EXPECT_EQ(events, (std::vector<QString>{"limits 0..120"}));
}

TEST(AutoSize, APanelFitsItsChildren)
{
    auto form = MakeForm(600, 400);
    auto* box = new TPanel(form.get());
    box->SetBevelOuter(bvNone);
    box->SetBorderWidth(4); // reserved on every side
    box->SetBounds(10, 10, 50, 50);
    Child(box, 4, 4, 100, 30);
    TPanel* second = Child(box, 20, 40, 60, 20);
    box->SetAutoSize(true);
    EXPECT_EQ(box->GetBoundsRect(), Rect(10, 10, 118, 74)); // right 104 + 4, bottom 60 + 4

    second->SetBounds(20, 40, 200, 50); // a child grows: so does the box
    EXPECT_EQ(box->GetBoundsRect(), Rect(10, 10, 234, 104));
    second->Hide();
    EXPECT_EQ(box->GetBoundsRect(), Rect(10, 10, 118, 48));

    box->GetConstraints()->SetMinHeight(60);
    EXPECT_EQ(box->GetHeight(), 60);

    // Top-aligned children: their heights add up; the width stays.
    auto* column = new TPanel(form.get());
    column->SetBevelOuter(bvNone);
    column->SetBounds(300, 0, 90, 10);
    TPanel* a = Child(column, 0, 0, 10, 25);
    a->SetAlign(alTop);
    TPanel* b = Child(column, 0, 30, 10, 35);
    b->SetAlign(alTop);
    column->SetAutoSize(true);
    EXPECT_EQ(column->GetBoundsRect(), Rect(300, 0, 390, 60));
    EXPECT_EQ(b->GetBoundsRect(), Rect(0, 25, 90, 60));
}

TEST(BiDiMode, RightToLeftReachesQtAndTheChildren)
{
    auto form = MakeForm(200, 100);
    TPanel* child = Child(form.get(), 0, 0, 120, 40);
    auto* bar = new QScrollBar(Qt::Horizontal, child); // a Qt widget inside a control
    TPanel* own = Child(form.get(), 0, 50, 120, 40);
    own->SetBiDiMode(bdLeftToRight); // its own mode: no longer the parent's

    form->SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(child->GetBiDiMode(), bdRightToLeft);
    EXPECT_TRUE(child->GetParentBiDiMode());
    EXPECT_EQ(child->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(bar->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(own->GetBiDiMode(), bdLeftToRight);
    EXPECT_EQ(own->layoutDirection(), Qt::LeftToRight);
    EXPECT_TRUE(child->UseRightToLeftAlignment());

    // Reading order only: Qt's layout stays left to right, alignment is kept.
    form->SetBiDiMode(bdRightToLeftReadingOnly);
    EXPECT_EQ(child->layoutDirection(), Qt::LeftToRight);
    EXPECT_TRUE(child->UseRightToLeftReading());
    EXPECT_FALSE(child->UseRightToLeftAlignment());

    // A control added later takes the mode of its parent.
    form->SetBiDiMode(bdRightToLeftNoAlign);
    TPanel* late = Child(form.get(), 0, 0, 10, 10);
    EXPECT_EQ(late->GetBiDiMode(), bdRightToLeftNoAlign);
    EXPECT_EQ(late->layoutDirection(), Qt::RightToLeft);
}

TEST(BiDiMode, RightToLeftMirrorsTheCaptionAlignment)
{
    TPanel p;
    p.SetBevelOuter(bvNone);
    p.SetColor(clWhite);
    p.GetFont()->SetColor(clBlack);
    p.SetBounds(0, 0, 200, 30);
    p.SetCaption(QStringLiteral("WWW"));
    p.SetAlignment(taLeftJustify);
    p.show();
    // The columns holding dark text pixels.
    auto inkColumns = [&p](int& first, int& last) {
        QImage image(200, 30, QImage::Format_RGB32);
        p.render(&image);
        first = -1;
        last = -1;
        for (int x = 0; x < 200; ++x)
            for (int y = 0; y < 30; ++y)
                if (qGray(image.pixel(x, y)) < 128) {
                    if (first < 0) first = x;
                    last = x;
                    break;
                }
    };
    int first = 0;
    int last = 0;
    inkColumns(first, last);
    EXPECT_GE(first, 0);
    EXPECT_LT(first, 10);
    p.SetBiDiMode(bdRightToLeft);
    inkColumns(first, last);
    EXPECT_GT(last, 190);
    EXPECT_GT(first, 100);
    p.SetBiDiMode(bdRightToLeftNoAlign); // keeps the alignment
    inkColumns(first, last);
    EXPECT_LT(first, 10);
}

TEST(ParentShowHint, HintsFollowTheParentUntilSetOwn)
{
    auto form = MakeForm(200, 100);
    TPanel* child = Child(form.get(), 0, 0, 50, 50);
    TPanel* grandChild = Child(child, 0, 0, 10, 10);
    child->SetHint(QStringLiteral("child"));
    grandChild->SetHint(QStringLiteral("grand"));
    EXPECT_TRUE(child->toolTip().isEmpty());
    form->SetShowHint(true);
    EXPECT_TRUE(child->GetShowHint());
    EXPECT_EQ(child->toolTip(), QStringLiteral("child"));
    EXPECT_EQ(grandChild->toolTip(), QStringLiteral("grand"));
    grandChild->SetShowHint(false);
    EXPECT_FALSE(grandChild->GetParentShowHint());
    form->SetShowHint(false);
    form->SetShowHint(true);
    EXPECT_TRUE(grandChild->toolTip().isEmpty());
    grandChild->SetParentShowHint(true);
    EXPECT_EQ(grandChild->toolTip(), QStringLiteral("grand"));
}

TEST(ComponentState, DesigningReachesChildrenAndDockingIsStoredOnly)
{
    auto form = MakeForm(200, 100);
    TPanel* child = Child(form.get(), 0, 0, 50, 50);
    EXPECT_FALSE(child->GetDesigning());
    form->SetDesigning(true);
    EXPECT_TRUE(form->ComponentState().Contains(csDesigning));
    EXPECT_TRUE(child->GetDesigning());
    TPanel* late = Child(form.get(), 0, 0, 10, 10);
    late->SetParent(nullptr);
    late->SetParent(form.get()); // joins a form being designed
    EXPECT_TRUE(late->GetDesigning());
    form->SetDesigning(false, false);
    EXPECT_FALSE(form->GetDesigning());
    EXPECT_TRUE(child->GetDesigning());

    // Stored, and nothing else happens.
    const TRect before = child->GetBoundsRect();
    child->SetCtl3D(false);
    child->SetDockSite(true);
    child->SetUseDockManager(true);
    child->SetDragKind(dkDock);
    EXPECT_FALSE(child->GetCtl3D());
    EXPECT_TRUE(child->GetDockSite());
    EXPECT_EQ(child->GetDragKind(), dkDock);
    EXPECT_EQ(child->GetBoundsRect(), before);
}
