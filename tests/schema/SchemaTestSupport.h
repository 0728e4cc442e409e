#pragma once
// A schedule view on a shown form, laid out and settled, with helpers that
// add columns and items and read the schema area's pixels.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <memory>

#include "skedra/foundation/DoLater.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/Messages.h"
#include "skedra/schema/qvSchema.h"
#include "skedra/schema/qvSchema_p.h"
#include "tests/common/TestSupport.h"

namespace skedra::test
{

// Monday 4 March 2024, 00:00.
inline TDateTime Monday()
{
    return EncodeDate(2024, 3, 4);
}
inline TDateTime At(int aDay, int anHour, int aMinute = 0)
{
    return Monday() + aDay + anHour * kHour + aMinute * kMinute;
}

class SchemaFixture : public ::testing::Test
{
protected:
    QWidget form;
    TqvSchema* schema = nullptr;

    void SetUp() override
    {
        ClearShownMessages();
        form.resize(700, 500);
        schema = new TqvSchema(&form);
        schema->SetBounds(0, 0, 600, 420);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        Settle();
        // One day on the time axis.
        schema->SetScalerStart(Monday());
        schema->SetScalerStop(Monday() + 1);
        Settle();
    }
    void TearDown() override
    {
        delete schema;
        schema = nullptr;
        Settle();
        EXPECT_TRUE(ShownMessages().isEmpty()) << ShownMessages().join(QLatin1Char('|')).toStdString();
    }
    // Runs the deferred calls and what the workers hand back, until all is quiet.
    static void Settle()
    {
        for (int round = 0; round < 200; ++round) {
            QApplication::processEvents();
            TDoLater::DoAllNow();
            CheckSynchronize();
            if (TDoLater::PendingCount() == 0 && TTimeDistinctGenericThread::ThreadCount() == 0) break;
            QTest::qWait(2);
        }
        QApplication::processEvents();
    }
    TqvDataEntity_SchemaColumn* AddColumn(const QString& aText, TDateTime anOffset = 0)
    {
        TqvDataEntity_SchemaColumn* c = schema->AddColumn();
        c->SetText(aText);
        c->SetDateOffset(anOffset);
        return c;
    }
    TqvDataEntity_SchemaTime* AddItem(int aLayer, int aCol, TDateTime aStart, TDateTime aStop,
                                      TColor aColor = clWhite)
    {
        TqvDataEntity_SchemaTime* t = schema->AddSchemaTime(aLayer);
        t->SetCol(aCol);
        t->SetStartDateTime(aStart);
        t->SetStopDateTime(aStop);
        t->SetColor(aColor);
        return t;
    }
    QImage Paint()
    {
        Settle();
        schema->GetSchemaArea()->Repaint();
        return schema->GetSchemaArea()->GetOffscreenBitmap()->Image().convertToFormat(QImage::Format_RGB32);
    }
    static TColor PixelAt(const QImage& anImage, int x, int y)
    {
        const QRgb p = anImage.pixel(x, y);
        return static_cast<TColor>(qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
    }
    TRect RectOf(TqvDataEntity_SchemaTime* anItem)
    {
        TRect r;
        EXPECT_TRUE(schema->RectFromDataEntity(schema->GetFlipView(), anItem, r));
        return r;
    }
    int ScalerPixel(TDateTime aDate) { return schema->GetScaler()->DateToPixel(aDate); }
};

} // namespace skedra::test
