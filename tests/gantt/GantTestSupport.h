#pragma once
// A Gantt chart on screen with a fixed time window and fixed row height, and
// the slow reference paths the tests compare the fast ones with.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>

#include <memory>
#include <vector>

#include "skedra/gantt/qvGant.h"
#include "tests/common/TestSupport.h"

namespace skedra::test
{

inline void Flush()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
    }
}

// 1 January 2030, a fixed day for the time window.
constexpr TDateTime kChartDay = 47484.0;

class GantFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearShownMessages();
        gant = std::make_unique<TqvGant>();
        gant->SetBounds(0, 0, 900, 500);
        gant->GetTreeView()->SetItemHeight(20);
        gant->show();
        Flush();
        // Set once the scaler has its size (a resize moves the window's stop).
        gant->GetDateScaler()->SetStart(kChartDay);
        gant->GetDateScaler()->SetStop(kChartDay + 2);
        Flush();
    }
    void TearDown() override
    {
        if (gant) gant->CheckInvariants();
        gant.reset();
        Flush();
        EXPECT_TRUE(ShownMessages().isEmpty()) << ShownMessages().join("\n").toStdString();
    }

    TGantTree* Tree() const { return gant->GetTreeView(); }
    TqvDateScaler* Scaler() const { return gant->GetDateScaler(); }
    TqvOffscreenPaint_GA* GA() const { return gant->GetGA(); }

    TqvDataEntity_Tree* AddNode(TqvDataEntity_Tree* parent = nullptr)
    {
        return gant->AddDataEntityTree(parent);
    }
    TqvDataEntity_GantTime* AddTime(TqvDataEntity_Tree* node, int layer, TDateTime start, TDateTime stop)
    {
        TqvDataEntity_GantTime* t = gant->AddGantTime(node, layer);
        t->SetStartDateTime(start);
        t->SetStopDateTime(stop);
        return t;
    }
    // Paints the tree and the Gantt area now.
    void Paint()
    {
        Tree()->Viewport()->repaint();
        GA()->Repaint();
        Flush();
    }
    // The date shown at pixel x.
    TDateTime At(int x) const { return Scaler()->PixelToDate(x); }

    std::unique_ptr<TqvGant> gant;
};

// Every item of every row, scanned the slow way: the row under y by scanning
// every row's band, then every item of the row from the top layer down.
inline TqvDataEntity_GantTime* BruteForceHit(TqvGant_ComBasic* g, int x, int y)
{
    TGantRow* row = nullptr;
    for (TGantRow* r : g->GetRowList()->GetRows()) {
        if (!g->RowTypeCheckOK(r)) continue;
        const TRect band = r->GetRect();
        if (band.Top < y && y < band.Bottom) {
            row = r;
            break;
        }
    }
    if (row == nullptr) return nullptr;
    for (int li = row->LayerCount() - 1; li >= row->GetDrawLayerStart(); --li) {
        TqvDataList* layer = row->GetDataLists()->GetDataList(li);
        for (int i = layer->Count() - 1; i >= 0; --i) {
            auto* item = static_cast<TqvDataEntity_GantTime*>(layer->GetItems(i));
            TRect r;
            if (g->RectFromDataEntity(item, r) && r.Contains(x, y)) return item;
        }
    }
    return nullptr;
}

} // namespace skedra::test
