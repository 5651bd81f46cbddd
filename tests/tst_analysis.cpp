#include "WindowDriver.h"
class TestAnalysis : public QObject {
  Q_OBJECT
};
CORVANE_TEST_MAIN(TestAnalysis)
#include "tst_analysis.moc"
