#include "controls/GuardedApplication.h"

#include "common/ErrorBoxes.h"
#include "common/MessageBoxSeam.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {
  SetMessageBoxDisplay([](const MessageBoxRecord& r) {
    QMessageBox box(QMessageBox::NoIcon, r.title, r.text, QMessageBox::NoButton, QApplication::activeWindow());
    const QStringList captions = r.buttons.split(u'|');
    QList<QAbstractButton*> buttons;
    for (int i = 0; i < captions.size(); ++i) {
      const bool ok = i == 0;
      buttons.append(ok ? static_cast<QAbstractButton*>(box.addButton(QMessageBox::Ok))
                        : box.addButton(captions[i], QMessageBox::RejectRole));
      if (ok) box.setDefaultButton(QMessageBox::Ok);
    }
    box.setEscapeButton(buttons.last());
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
  });
}

GuardedApplication::~GuardedApplication() { SetMessageBoxDisplay({}); }

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    // Last line of defence: each handler traps its own errors; one that
    // slipped through is reported, and the user's work goes on.
    try {
      ShowWindowErrorBox(CurrentError());
    } catch (...) {
      // Not even a box could be shown; the event is dropped, the program lives.
    }
    return true;
  }
}
