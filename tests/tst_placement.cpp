// Where the windows stand on a real desktop: run on a virtual X display with
// a window manager that draws a title bar (tests/run_on_x11.sh), both windows
// must be centred with their frames, not by their client areas.
#include "WindowDriver.h"

#include <QScreen>

namespace {

// True once the window manager has framed the window.
bool framed(QWidget* w) { return w->frameGeometry().size() != w->size(); }

void verifyCentred(QWidget* w) {
  QTRY_VERIFY_WITH_TIMEOUT(framed(w), 10000);
  const QRect screen = w->screen()->geometry();
  // Centred with the frame: the room left and right (and above and below)
  // differs by at most the one pixel that halving may leave over.
  const auto centred = [&] {
    const QRect frame = w->frameGeometry();
    const int leftRoom = frame.left() - screen.left(), rightRoom = screen.right() - frame.right();
    const int topRoom = frame.top() - screen.top(), bottomRoom = screen.bottom() - frame.bottom();
    return qAbs(leftRoom - rightRoom) <= 1 && qAbs(topRoom - bottomRoom) <= 1;
  };
  QTRY_VERIFY2_WITH_TIMEOUT(centred(), qPrintable(QStringLiteral("%1: frame %2,%3 %4x%5 on a screen of %6x%7")
                                                      .arg(w->objectName())
                                                      .arg(w->frameGeometry().x())
                                                      .arg(w->frameGeometry().y())
                                                      .arg(w->frameGeometry().width())
                                                      .arg(w->frameGeometry().height())
                                                      .arg(screen.width())
                                                      .arg(screen.height())),
                            5000);
  // The frame has a title bar, or the check above proves nothing.
  QVERIFY(w->frameGeometry().height() > w->height());
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
};

CORVANE_TEST_MAIN(TestPlacement)
#include "tst_placement.moc"
