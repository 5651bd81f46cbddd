// Where the windows stand on a real desktop: run on a virtual X display with
// a window manager that draws a title bar (tests/run_on_x11.sh), both windows
// must be centred with their frames, not by their client areas.
#include "WindowDriver.h"
#include "WindowLayout.h"

#include <QScreen>
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

  // The breakdown window opens where it hides none of the main window's
  // buttons: beside it where the screen has room, else (this screen)
  // cascaded below them; on the screen, usable, and fully framed.
  void breakdownOpensClearOfTheMainWindowsButtons() {
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
    w->grab().save("/tmp/bd25a.png");
  }
};

CORVANE_WINDOW_TEST_MAIN(TestPlacement)
#include "tst_placement.moc"
