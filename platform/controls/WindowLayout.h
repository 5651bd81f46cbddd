#pragma once
// Window geometry in twips (1/1440 inch, 15 per pixel at 96 dpi), the unit
// every window layout of the program is written in.
class QWidget;

inline constexpr int TwipsToPixels(int twips) { return twips / 15; }

// Places a control inside its window's client area.
void PlaceTwips(QWidget* control, int left, int top, int width, int height);
// Sets the client area of a window.
void SetClientSizeTwips(QWidget* window, int width, int height);
// Centres a window (frame included) on its screen.
void CenterOnScreen(QWidget* window);
