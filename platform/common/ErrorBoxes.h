#pragma once
#include "common/ErrorInfo.h"

#include <functional>

// The record store's error box: "Error #: <number>, <description>, <source>".
void ShowErrorBox(const ErrorInfo& error);
// The windows' error box: "Error: <number>, <description>".
void ShowWindowErrorBox(const ErrorInfo& error);

// The trap of the window handlers: whatever fails in `work` is reported in
// the window error box, after `cleanUp` has run (the default pointer back).
void TrapInWindowBox(const std::function<void()>& work, const std::function<void()>& cleanUp = {});

QString ErrorBoxText(const ErrorInfo& error);
QString WindowErrorBoxText(const ErrorInfo& error);
