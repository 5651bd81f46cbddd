#pragma once
// Window geometry in twips (1/1440 inch, 15 per pixel at 96 dpi), the unit
// every window layout of the program is written in.
#include <QRect>
#include <QSize>

class QWidget;

inline constexpr int TwipsToPixels(int twips) { return twips / 15; }

// Places a control inside its window's client area.
void PlaceTwips(QWidget* control, int left, int top, int width, int height);
// Sets the client area of a window.
void SetClientSizeTwips(QWidget* window, int width, int height);
// Centres a window (frame included) on its screen.
void CenterOnScreen(QWidget* window);

// How far a cascaded window stands from its owner, in pixels.
inline constexpr int kCascadeStep = 32;

// Where a window (frames included, in screen pixels) goes beside its owner:
// on the side with more room when that room holds the window's minimum
// width; else cascaded from the owner, below keepClear, shortened to the
// screen. Never larger than wanted nor than the screen.
QRect PlaceBeside(const QRect& owner, const QRect& keepClear, const QSize& wanted, const QSize& minimum,
                  const QRect& screen);
// The area, on the screen, of a window's visible push buttons.
QRect ButtonsArea(const QWidget* window);
// Places a window not yet shown beside its owner (PlaceBeside, the owner's
// buttons kept clear); minimum is the least client size worth showing.
void PlaceBesideOwner(QWidget* window, QWidget* owner, const QSize& minimum);
