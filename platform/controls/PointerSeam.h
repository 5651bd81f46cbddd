#pragma once
// The per-window mouse pointer: busy (11) while a long operation runs,
// default (0) otherwise. Tests read it back or watch every change.
#include <functional>

class QWidget;

inline constexpr int vbHourglass = 11;
inline constexpr int vbDefault = 0;

void SetMousePointer(QWidget* window, int pointer);
int MousePointer(const QWidget* window);

using PointerObserver = std::function<void(QWidget* window, int pointer)>;
void SetPointerObserver(PointerObserver observer);
