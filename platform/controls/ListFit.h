#pragma once
// Drop-down lists whose rectangle the layout fixes: the type of a list made
// just small enough that every entry shows whole in it, whatever the style
// and font the platform gives.
class QComboBox;
class QString;

// Width in pixels a pick-only list gives the shown entry's text.
int ListTextRoom(const QComboBox* list);
// The list's type steps down from its window's until its widest entry fits
// (no further than a legible minimum); its rectangle stays as it is.
void FitListTextToRoom(QComboBox* list);
