#pragma once
#include "ErrorInfo.h"

// The record store's error box: "Error #: <number>, <description>, <source>".
void ShowErrorBox(const ErrorInfo& error);
// The windows' error box: "Error: <number>, <description>".
void ShowWindowErrorBox(const ErrorInfo& error);

QString ErrorBoxText(const ErrorInfo& error);
QString WindowErrorBoxText(const ErrorInfo& error);
