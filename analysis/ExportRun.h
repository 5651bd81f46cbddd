#pragma once
// The window side of an export: where to save (the save dialog seam, Excel
// workbook or CSV), and the run itself on a thread of its own, with a
// progress window and "Stop" once it has taken half a second. The writers
// (export/) know nothing of windows.
#include "ExportTable.h"
#include "ExportWriters.h"

#include <QString>

#include <functional>

class QWidget;

// The path to write, or "" when cancelled; format receives what the name's
// ending (or, without one, the filter picked) asks for.
QString AskExportPath(QWidget* parent, const QString& caption, const QString& suggestedName, ExportFormat& format);

// Runs work on another thread while the window stays painted; shows the
// progress window after half a second (application-modal, no other control
// answers meanwhile). Returns false when stopped; a failure of the work is
// raised here, on the calling thread.
bool RunExport(QWidget* owner, const std::function<bool(ExportProgress&)>& work);

// True while an export runs (a requested import waits for its end: the
// export reads the records on another thread).
bool ExportRunning();

// Tests: the delay before the progress window appears (500 ms unless set;
// -1 restores it), and how often it has appeared.
void SetExportProgressDelayForTests(int milliseconds);
int ExportProgressTimesShown();
