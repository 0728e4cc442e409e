#include "skedra/tree/qvPrintTree.h"

#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <limits>

#include "skedra/foundation/GStuff.h"
#include "skedra/platform/Exceptions.h"
#include "skedra/platform/ImageList.h"
#include "skedra/tree/qvTree.h"

namespace skedra
{

void TqvPrintTree::Print(TqvTree_ComBasic* theTree, TDeviceContext* theDC, int theReserved, int theX,
                         int theY, double theScaleX, double theScaleY, int theWidth,
                         TqvDataEntity_Tree* theStartEntity, int& theRows, bool thePrintAll,
                         int& thePrintedWidth, int& thePrintedHeight)
{
    TqvPrintTree printer;
    printer.PrintDynamic(theTree, theDC, theReserved, theX, theY, theScaleX, theScaleY, theWidth,
                         theStartEntity, theRows, thePrintAll, thePrintedWidth, thePrintedHeight);
}

int TqvPrintTree::CalcRowHeight() const
{
    TCustomImageList* images = Tree->GetImages();
    return images != nullptr ? images->GetHeight() + 2 : 18;
}

void TqvPrintTree::PrintDynamic(TqvTree_ComBasic* theTree, TDeviceContext* theDC, int, int theX, int theY,
                                double theScaleX, double theScaleY, int theWidth,
                                TqvDataEntity_Tree* theStartEntity, int& theRows, bool thePrintAll,
                                int& thePrintedWidth, int& thePrintedHeight)
{
    if (theTree == nullptr) throw Exception(QStringLiteral("No tree to print"));
    if (theDC == nullptr || theDC->Painter() == nullptr)
        throw Exception(QStringLiteral("No device context to print on"));
    if (!(theScaleX > 0) || !(theScaleY > 0) || !std::isfinite(theScaleX) || !std::isfinite(theScaleY))
        throw Exception(QStringLiteral("Invalid print scale"));
    Tree = theTree;
    OffsetX = theX;
    OffsetY = theY;
    ScaleX = theScaleX;
    ScaleY = theScaleY;
    PrintAll = thePrintAll;
    MaxRows = theRows;
    StartEntity = theStartEntity;
    RowHeight = CalcRowHeight();

    const int rows = CalcRowsToPrint();
    thePrintedWidth = RoundPixel(theWidth * theScaleX);
    thePrintedHeight = RoundPixel(static_cast<double>(rows) * RowHeight * theScaleY);

    TCanvas canvas(theDC->Painter());
    Canvas = &canvas;
    const TPoint origin = theDC->SetViewportOrg(theX, theY);
    const TClipState clip = theDC->SaveClip();
    const auto restore = qScopeGuard([&] {
        theDC->RestoreClip(clip);
        theDC->SetViewportOrg(origin.X, origin.Y);
        Canvas = nullptr;
    });
    theDC->IntersectClipRect(TRect(theX, theY, theX + thePrintedWidth, theY + thePrintedHeight));
    PrintRows();
    theRows = RowsPrinted;
}

int TqvPrintTree::CountRows(TqvDataList_Tree* theList, bool& theStarted, int theLimit) const
{
    int n = 0;
    for (int i = 0; theList != nullptr && i < theList->Count() && n < theLimit; ++i) {
        TqvDataEntity_Tree* e = theList->GetTreeItem(i);
        if (e == nullptr) continue;
        if (!theStarted && (StartEntity == nullptr || e == StartEntity)) theStarted = true;
        if (theStarted) ++n;
        if (e->GetExpanded() || PrintAll) n += CountRows(e->GetSubDataList(), theStarted, theLimit - n);
    }
    return n;
}

int TqvPrintTree::CalcRowsToPrint() const
{
    // The start entity prints even when no rows are asked for, so it gets its row.
    bool started = false;
    const int limit = MaxRows >= 0 ? std::max(1, MaxRows) : std::numeric_limits<int>::max();
    return CountRows(Tree->GetRootDataList(), started, limit);
}

void TqvPrintTree::PrintRows()
{
    RowsPrinted = 0;
    Started = false;
    TqvDataList_Tree* root = Tree->GetRootDataList();
    for (int i = 0; root != nullptr && i < root->Count(); ++i) {
        if (Started && MaxRows >= 0 && RowsPrinted >= MaxRows) return;
        if (TqvDataEntity_Tree* e = root->GetTreeItem(i)) printItem(e);
    }
}

bool TqvPrintTree::CheckIfItemShouldPrint(TqvDataEntity_Tree* theEntity)
{
    if (Started) return RowsPrinted < MaxRows || MaxRows < 0;
    Started = StartEntity == nullptr || theEntity == StartEntity;
    return Started;
}

void TqvPrintTree::printItem(TqvDataEntity_Tree* theEntity)
{
    if (CheckIfItemShouldPrint(theEntity)) {
        const int y = RoundPixel(RowsPrinted * RowHeight * ScaleY);
        int x = RoundPixel(theEntity->GetLevel() * Tree->GetIndent() * ScaleX);
        if (TCustomImageList* images = Tree->GetImages()) {
            const int w = RoundPixel(images->GetWidth() * ScaleX);
            const int h = RoundPixel(images->GetHeight() * ScaleY);
            // An index outside the list prints no image; the text keeps its column.
            const int index = theEntity->GetImageIndex();
            if (index >= 0 && index < images->Count())
                PrintBitmap_ImageList(Canvas, TRect(x, y, x + w, y + h), images, index);
            x += w + 3;
        }
        const TFont* treeFont = Tree->GetFont();
        Canvas->Font.Assign(*treeFont);
        Canvas->Font.SetName(theEntity->GetFontName().isEmpty() ? treeFont->GetName()
                                                                : theEntity->GetFontName());
        Canvas->Font.SetStyle(theEntity->GetFontStyle());
        Canvas->Font.SetSize(std::max(1, RoundPixel(treeFont->GetSize() * ScaleY)));
        Canvas->Brush.SetStyle(bsClear);
        Canvas->TextOut(x, y, theEntity->GetText());
        ++RowsPrinted;
    }
    if (theEntity->GetExpanded() || PrintAll) {
        TqvDataList_Tree* children = theEntity->GetSubDataList();
        for (int i = 0; children != nullptr && i < children->Count(); ++i) {
            // Nothing below can print once the rows are used up.
            if (Started && MaxRows >= 0 && RowsPrinted >= MaxRows) return;
            if (TqvDataEntity_Tree* e = children->GetTreeItem(i)) printItem(e);
        }
    }
}

} // namespace skedra
