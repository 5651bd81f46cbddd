// Corvane Yield Report Analysis: the executable only wires the subsystems.
#include "Module1.h"

#include "GuardedApplication.h"

int main(int argc, char** argv) {
  GuardedApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Corvane Yield Report Analysis"));
  const int startUp = Module1::Main();
  if (startUp != 0) return startUp;
  return app.exec();
}
