// The Gantt drawing page: every time item style, every placement of a text
// on both axes, selection marks and the focus rectangle, and links in each
// style with each start-finish option.
#include <QLabel>
#include <QVBoxLayout>

#include "examples/demo/DemoPage.h"
#include "skedra/gantt/TimeItemText.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/platform/ImageList.h"

using namespace skedra;

namespace
{

// A fixed Monday, so that screenshots are the same every day.
const TDateTime kMonday = EncodeDate(2024, 3, 4);

const char* const kStyleNames[] = {"gtsSquare", "gtsSpan", "gtsUser",  "gtsLine", "gtsLineWEnd",
                                   "gtsWave",   "gtsRomb", "gtsImage", "gtsPipe"};
const char* const kPlaceNames[] = {"inside", "near", "far"};
const char* const kOptionNames[] = {"tlsfNormal", "tlsfSS", "tlsfSF", "tlsfFS", "tlsfFF"};

class GanttDrawPage : public QWidget
{
public:
    explicit GanttDrawPage(QWidget* parent) : QWidget(parent)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(10, 10, 10, 10);
        layout->addWidget(new QLabel(
            QStringLiteral(
                "Nine item styles (and a style value beyond them: texts and marks only), texts placed "
                "inside, before and after the item on both axes, selection marks and focus, and links "
                "in the default and right-angled styles with each start-finish option."),
            this));
        gant = new TqvGant(this);
        gant->GetTreeView()->SetItemHeight(24);
        gant->SetTreeWidth(170);
        layout->addWidget(gant, 1);
        images.SetSize(16, 16);
        QImage star(16, 16, QImage::Format_ARGB32);
        star.fill(Qt::transparent);
        for (int i = 0; i < 16; ++i) {
            star.setPixelColor(i, 8, QColor(200, 120, 0));
            star.setPixelColor(8, i, QColor(200, 120, 0));
            star.setPixelColor(i, i, QColor(200, 120, 0));
            star.setPixelColor(15 - i, i, QColor(200, 120, 0));
        }
        images.AddImage(star);
        gant->SetImageList(&images);
        TFont bold;
        bold.SetName(QStringLiteral("DejaVu Sans"));
        bold.SetSize(8);
        bold.SetStyle(TFontStyles{fsBold});
        gant->SetFontTimeItemStyle2(&bold);
        gant->OnUserDrawTime = [](TqvGant_ComBasic*, TqvDataEntity_GantTime* t, TCanvas* c, const TRect& r) {
            // The application's own shape: a rounded box.
            c->Pen.SetColor(clBlack);
            c->Brush.SetColor(t->GetColor());
            c->RoundRect(r.Left, r.Top, r.Right, r.Bottom, 10, 10);
        };
        Fill();
        gant->GetDateScaler()->SetStart(kMonday);
        gant->GetDateScaler()->SetStop(kMonday + 7);
    }

    // The chart goes with the page's children, after the image list.
    ~GanttDrawPage() override { gant->SetImageList(nullptr); }

private:
    TqvDataEntity_Tree* Row(const QString& caption)
    {
        TqvDataEntity_Tree* node = gant->AddRootDataEntityTree();
        node->SetText(caption);
        return node;
    }
    TqvDataEntity_GantTime* Item(TqvDataEntity_Tree* node, double from, double to, int style, TColor color)
    {
        TqvDataEntity_GantTime* t = gant->AddGantTime(node, 0);
        t->SetStartDateTime(kMonday + from);
        t->SetStopDateTime(kMonday + to);
        t->SetStyle(static_cast<std::uint8_t>(style));
        t->SetColor(color);
        return t;
    }

    void Fill()
    {
        const TColor colours[] = {RGB(120, 170, 230), RGB(240, 160, 60), RGB(160, 220, 140),
                                  RGB(200, 40, 40),   RGB(40, 120, 40),  RGB(30, 90, 200),
                                  RGB(150, 60, 170),  RGB(0, 0, 0),      RGB(90, 170, 200)};
        for (int style = gtsSquare; style <= gtsPipe + 1; ++style) {
            const QString name =
                style <= gtsPipe ? QString::fromLatin1(kStyleNames[style]) : QStringLiteral("9: none");
            TqvDataEntity_Tree* node = Row(name);
            TqvDataEntity_GantTime* t = Item(node, 0.5, 2.5, style, colours[style % 9]);
            t->GetTexts()->AddText(name, 4, 5, 2);
            if (style == gtsSquare) t->SetSelected(true);
            if (style == gtsPipe + 1) {
                t->SetSelected(true);
                gant->GetGantRow(node)->SelectionMarkColor = RGB(200, 0, 0);
            }
            if (style == gtsLineWEnd) gant->SetActiveDataEntity(t);
        }
        // Texts: one item per vertical placement, with a text before, inside and after it; an empty row
        // above and below leaves room for the texts outside.
        for (int v = 0; v < 3; ++v) {
            Row(QString());
            TqvDataEntity_Tree* node = Row(QStringLiteral("Texts, vertical %1").arg(kPlaceNames[v]));
            TqvDataEntity_GantTime* t = Item(node, 3.0, 4.0, gtsSquare, RGB(255, 255, 200));
            for (int h = 0; h < 3; ++h)
                t->GetTexts()->AddTextEx(QString::fromLatin1(kPlaceNames[h]), 2, v == 0 ? 3 : 1, 1,
                                         static_cast<TTextRectPlace>(h), static_cast<TTextRectPlace>(v));
        }
        Row(QString());
        // Links: for each option, a pair of items in the default style and one in the right-angled style.
        for (int o = 0; o < 5; ++o) {
            for (int s = 0; s < 2; ++s) {
                TqvDataEntity_Tree* first =
                    Row(QStringLiteral("%1 %2").arg(kOptionNames[o], s ? "MS" : "default"));
                TqvDataEntity_Tree* second = Row(QString());
                const double at = 0.5 + 1.2 * o;
                TqvDataEntity_GantTime* a = Item(first, at, at + 0.6, gtsSquare, RGB(200, 220, 255));
                TqvDataEntity_GantTime* b = Item(second, at + 0.3, at + 1.0, gtsSquare, RGB(255, 220, 200));
                TqvDataEntity_Link* link = gant->AddLink();
                link->First = a;
                link->Second = b;
                link->LinkStyle = s ? tlsMSProject : tlsDefault;
                link->Color = s ? RGB(200, 0, 0) : clBlue;
                link->SetStartFinishOption(static_cast<TLinkStartFinishOption>(o));
            }
        }
    }

    TqvGant* gant = nullptr;
    TImageList images;
};

DemoPageRegistration ganttDrawPage(DemoPage{
    40,
    QStringLiteral("Gantt drawing"),
    [](QWidget* parent) -> QWidget* { return new GanttDrawPage(parent); },
    {}});

} // namespace
