// Where the windows stand on a real desktop: run on a virtual X display with
// a window manager that draws a title bar (tests/run_on_x11.sh), both windows
// must be centred with their frames, not by their client areas.
#include "WindowDriver.h"

#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>

namespace {

// The frame as the platform reports it now, not as the widget last cached it.
QRect frameOf(QWidget* w) {
  QWindow* window = w->windowHandle();
  return window ? window->frameGeometry() : QRect();
}

void verifyCentred(QWidget* w) {
  // Framed: the window manager's title bar makes the frame taller.
  QTRY_VERIFY_WITH_TIMEOUT(frameOf(w).height() > w->height(), 15000);
  const QRect screen = w->screen()->geometry();
  // Centred with the frame: the room left and right (and above and below)
  // differs by at most the one pixel that halving may leave over.
  const auto centred = [&] {
    const QRect frame = frameOf(w);
    const int leftRoom = frame.left() - screen.left(), rightRoom = screen.right() - frame.right();
    const int topRoom = frame.top() - screen.top(), bottomRoom = screen.bottom() - frame.bottom();
    return qAbs(leftRoom - rightRoom) <= 1 && qAbs(topRoom - bottomRoom) <= 1;
  };
  QTRY_VERIFY2_WITH_TIMEOUT(centred(),
                            qPrintable(QStringLiteral("%1: frame %2,%3 %4x%5 on a screen of %6x%7")
                                           .arg(w->objectName())
                                           .arg(frameOf(w).x())
                                           .arg(frameOf(w).y())
                                           .arg(frameOf(w).width())
                                           .arg(frameOf(w).height())
                                           .arg(screen.width())
                                           .arg(screen.height())),
                            5000);
}

}  // namespace

class TestPlacement : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
      QSKIP("needs an X display with a window manager (tests/run_on_x11.sh)");
  }

  void bothWindowsAreCentredWithTheirFrames() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    verifyCentred(d.Main());
    frmGetFiles* w = d.OpenFileWindow(d.MakeFolder("data", {}));
    QVERIFY(w);
    verifyCentred(w);
  }

  // A dock groups the window with its launcher, and shows the launcher's
  // icon, when the window's class is the menu entry's id.
  void theWindowsClassIsTheMenuEntrysId() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("com.corvane.YieldReportAnalysis"));
    const QString xprop = QStandardPaths::findExecutable("xprop");
    QVERIFY2(!xprop.isEmpty(), "xprop is missing: scripts/deps.sh installs it (x11-utils)");
    QProcess p;
    p.start(xprop, {"-id", QString::number(d.Main()->winId()), "WM_CLASS"});
    QVERIFY(p.waitForFinished());
    const QString wmClass = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    QVERIFY2(wmClass.endsWith(QStringLiteral(", \"com.corvane.YieldReportAnalysis\"")), qPrintable(wmClass));
  }
};

CORVANE_WINDOW_TEST_MAIN(TestPlacement)
#include "tst_placement.moc"
