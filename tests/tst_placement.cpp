// Where the windows stand on a real desktop: run on a virtual X display with
// a window manager that draws a title bar (tests/run_on_x11.sh), both windows
// must be centred with their frames, not by their client areas.
#include "WindowDriver.h"
#include "controls/WindowLayout.h"

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
  // Window placement needs an X display with a window manager.
  static void needsX() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
      QSKIP("needs an X display with a window manager (tests/run_on_x11.sh)");
  }

  void bothWindowsAreCentredWithTheirFrames() {
    needsX();
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

  // Beside on the side with room, else cascaded below what must stay clear
  // and shortened to the screen; a screen too small even for that is the
  // only case that covers it.
  void placeBesideChoosesTheSideOrCascades_data() {
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("owner");
    QTest::addColumn<QRect>("placed");
    QTest::newRow("the side with more room, shortened to it")
        << QRect(0, 0, 1920, 1080) << QRect(601, 195, 720, 690) << QRect(0, 195, 601, 785);
    QTest::newRow("right, whole") << QRect(0, 0, 1920, 1080) << QRect(0, 100, 720, 690) << QRect(720, 100, 1102, 785);
    QTest::newRow("left") << QRect(0, 0, 1920, 1080) << QRect(1200, 300, 720, 690) << QRect(98, 295, 1102, 785);
    QTest::newRow("cascaded below the buttons")
        << QRect(0, 0, 1280, 1024) << QRect(280, 167, 720, 690) << QRect(178, 573, 1102, 451);
    QTest::newRow("cascaded, a step right")
        << QRect(0, 0, 1366, 768) << QRect(323, 39, 720, 690) << QRect(264, 445, 1102, 323);
    QTest::newRow("too small a screen") << QRect(0, 0, 800, 600) << QRect(40, 0, 720, 690) << QRect(0, 360, 800, 240);
    QTest::newRow("second screen") << QRect(1920, 0, 1280, 1024) << QRect(2200, 167, 720, 690)
                                   << QRect(2098, 573, 1102, 451);
  }

  void placeBesideChoosesTheSideOrCascades() {
    QFETCH(QRect, screen);
    QFETCH(QRect, owner);
    QFETCH(QRect, placed);
    const QRect buttons = QRect(13, 33, 637, 357).translated(owner.topLeft());  // the main window's
    QCOMPARE(PlaceBeside(owner, buttons, QSize(1102, 785), QSize(562, 240), screen), placed);
  }

  // The breakdown window opens where it hides none of the main window's
  // buttons: beside it where the screen has room, else (this screen)
  // cascaded below them; on the screen, usable, and fully framed.
  void breakdownOpensClearOfTheMainWindowsButtons() {
    needsX();
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    Form1* f = d.Main();
    verifyCentred(f);
    WindowDriver::Click(f->cmdBreakdown);
    frmBreakdown* w = f->BreakdownWindow();
    QVERIFY(w && QTest::qWaitForWindowExposed(w));
    QTRY_VERIFY_WITH_TIMEOUT(frameOf(w).height() > w->height(), 15000);
    const QRect buttons = ButtonsArea(f);
    QVERIFY(buttons.contains(f->cmdExit->mapToGlobal(QPoint(0, 0))) &&
            buttons.contains(f->cmdBreakdown->mapToGlobal(QPoint(0, 0))));
    const auto describe = [&] {
      return QStringLiteral("breakdown frame %1,%2 %3x%4; main's buttons %5,%6 %7x%8")
          .arg(frameOf(w).x())
          .arg(frameOf(w).y())
          .arg(frameOf(w).width())
          .arg(frameOf(w).height())
          .arg(buttons.x())
          .arg(buttons.y())
          .arg(buttons.width())
          .arg(buttons.height());
    };
    QTRY_VERIFY2_WITH_TIMEOUT(!frameOf(w).intersects(buttons) && w->screen()->availableGeometry().contains(frameOf(w)),
                              qPrintable(describe()), 5000);
    QVERIFY(w->width() >= 560 && w->height() >= 380);
  }
};

CORVANE_WINDOW_TEST_MAIN(TestPlacement)
#include "tst_placement.moc"
