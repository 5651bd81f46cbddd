// What the main window tells about itself: a tooltip on every button, and
// "About" in the grids' context menu (version, database file, libraries).
#include "Form1.h"
#include "ReportDatabase.h"
#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "common/MessageBoxSeam.h"
#include "database/Connection.h"

#include <QDir>

void Form1::BuildHelp() {
  const struct {
    QPushButton* button;
    const char* tip;
  } tips[] = {
      {cmdSelectFiles, "Pick yield report files (.yrp) and import them"},
      {cmdFilter, "Show only the records that match the supplier, material, width and dates picked"},
      {cmdCopy2, "Copy every record shown, with the column names, to the clipboard for a spreadsheet"},
      {cmdSummary, "Sum the lengths of the records shown and work out their yields"},
      {cmdPrint, "Print the summary, headed by the filter's picks and the records summed"},
      {cmdCopy, "Copy the summary to the clipboard for a spreadsheet"},
      {cmdBreakdown, "Compare the yields of the records shown by supplier, material, width, operator, type or period"},
      {cmdExit, "Close the program"},
  };
  for (const auto& t : tips) t.button->setToolTip(QString::fromLatin1(t.tip));

  mnuGrid->addSeparator();
  mnuAbout = mnuGrid->addAction(QStringLiteral("About"));
  mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
  connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
}

void Form1::mnuAbout_Click() {
  TrapInWindowBox([&] {
    const QString database = modReportGeneration::ReportDatabaseFile.isEmpty()
                                 ? QStringLiteral("(none open)")
                                 : QDir::toNativeSeparators(modReportGeneration::ReportDatabaseFile);
    ShowMessageBox(AppTitle(), QStringLiteral("%1\nVersion %2\n\nDatabase: %3\n\nQt %4, SQLite %5")
                                   .arg(AppDisplayName(), AppVersion(), database, QString::fromLatin1(qVersion()),
                                        Connection::EngineVersion()));
  });
}
