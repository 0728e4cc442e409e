#pragma once
// Small drawing and menu helpers shared by the drawn components, bitmap
// printing, and the platform query painting uses.

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <span>

#include "skedra/platform/Types.h"

namespace skedra
{

class TBitmap;
class TCanvas;
class TControl;
class TCustomImageList;
class TFont;
class TMenuItem;
class TPopupMenu;

class GStuff
{
public:
    GStuff() = delete;

    // A vertical gradient: darker by 3 % per step over the upper two thirds,
    // lighter by 3.1 % per step below; flat when under 15 pixels both ways.
    // Leaves the pen in the last line's colour.
    static void FillRadiated(TCanvas* aCanvas, const TRect& aRect, TColor aColor);
    // Each red, green and blue channel multiplied by aFactor, rounded and held
    // within 0..255; a system colour is resolved first. Black stays black.
    static TColor TintColor(TColor aColor, double aFactor);
    // Selection handles: four black 5 x 5 squares in the corners inside aRect.
    static void DoSelectContent(TCanvas* aCanvas, const TRect& aRect);
    static bool BigEnough(const TRect& aRect, int aWidth, int aHeight);
    // aRect with each side moved by the given amount.
    static TRect Fixrect(const TRect& aRect, int aLeft, int aTop, int aRight, int aBottom);
    // Left and top edges in one colour, right and bottom in the other: raised
    // (highlight first) or sunken (shadow first). The pen colour is kept.
    static void BevelRect(TCanvas* aCanvas, const TRect& aRect, bool aRaised);
    // The font turned by anAngle degrees (face and height kept, plain style).
    static void RotateFont(TFont* aFont, int anAngle);

    // One item per string, captioned with it and bound to aOnClick; the item at
    // aDefault becomes the default item. With aAddCancel a separator and
    // "Avbryt" follow, neither bound to aOnClick.
    static void CreateMenuOptions(TPopupMenu* aMenu, const QStringList& aStrings,
                                  const TNotifyEvent& aOnClick, int aDefault, bool aAddCancel);
    // Asks the user to pick one of aStrings from a popup menu at (x, y) of
    // aControl's client area; answers the picked index, or -1 when the menu
    // was closed or "Avbryt" was chosen.
    static int UserOptionStrings(TControl* aControl, int x, int y, const QStringList& aStrings, int aDefault);
    static int UserOption(TControl* aControl, int x, int y, std::span<const QString> anOptions, int aDefault);
    static int UserOption(TControl* aControl, int x, int y, std::initializer_list<QString> anOptions,
                          int aDefault)
    {
        return UserOption(aControl, x, y, std::span<const QString>(anOptions.begin(), anOptions.size()),
                          aDefault);
    }
};

// Carries the click handler of the option menu; the picked index lives in one
// process-wide value (only one option menu is open at a time).
class TPopUpHandler : public TObject
{
public:
    void Click(TObject* Sender);
    // The index last picked, -1 when nothing was picked.
    static int& PickedIndex();
};

// The bitmap stretched onto aRect of the canvas with a plain copy (the form
// printer canvases accept).
void PrintBitmap(TCanvas* aCanvas, const TRect& aRect, TBitmap* aBitmap);
// Image anIndex of the image list, printed with PrintBitmap; nothing for an
// index outside the list.
void PrintBitmap_ImageList(TCanvas* aCanvas, const TRect& aRect, TCustomImageList* anImageList, int anIndex);

// Whether the platform offers the NT family's drawing (pattern brushes and
// raster operations): always true here.
bool IsWinnt();

} // namespace skedra
