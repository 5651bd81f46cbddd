// Corvane Yield Report Analysis: the executable only wires the subsystems.
// Report files named on the command line (a file manager's "Open With") are
// imported as if dropped on the main window, once it is shown.
#include "Form1.h"
#include "Module1.h"

#include "GuardedApplication.h"

#include <QTimer>

int main(int argc, char** argv) {
  GuardedApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Corvane Yield Report Analysis"));
  const int startUp = Module1::Main();
  if (startUp != 0) return startUp;
  const QStringList files = app.arguments().mid(1);
  if (!files.isEmpty())
    QTimer::singleShot(0, &app, [files] {
      if (Form1* main = Module1::MainForm()) main->ImportReportFiles(files);
    });
  return app.exec();
}
