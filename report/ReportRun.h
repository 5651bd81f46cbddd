#pragma once
// A report from the command line, made by the windows' own code without
// showing any: the files imported into a private database, the main
// window's filter, summary and breakdown, the export writers and the
// printouts. Boxes become lines on standard error and the exit code.
#include "ReportRequest.h"

// Before the application object: the platform without a display, and
// standard error kept for the report's own lines.
void PrepareReportRun();

// Runs the report (the application object exists, on a platform without a
// display) and returns the exit code.
int RunReport(const ReportRequest& request);
