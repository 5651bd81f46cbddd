// Copying either grid to the clipboard as text, and printing the summary.
#include "Form1.h"
#include "common/ErrorBoxes.h"
#include "controls/ClipboardSeam.h"
#include "controls/PointerSeam.h"

void Form1::cmdCopy_Click() {
  // A clipboard that cannot be written is reported like any handler's failure.
  TrapInWindowBox([&] {
    const int rows = fgSummary->Rows();
    const int cols = fgSummary->Cols();
    fgSummary->Select(1, 1, rows - 1, cols - 1);
    ClipboardClear();
    ClipboardSetText(fgSummary->ClipUtf8());
    fgSummary->Select(1, 1);
  });
}

void Form1::cmdCopy2_Click() {
  TrapInWindowBox([&] {
    if (fgRS->Rows() < 2) return;
    ClipboardClear();
    const int rows = fgRS->Rows();
    const int cols = fgRS->Cols();
    fgRS->Select(0, 0, rows - 1, cols - 1);
    // Offered, not made: the text of ten million records is a gigabyte,
    // made when a program pastes it, of the records shown now.
    ClipboardSetTextLater(fgRS->ClipUtf8Later());
    fgRS->Select(1, 1);
  });
}

void Form1::cmdPrint_Click() {
  TrapInWindowBox(
      [&] {
        SetMousePointer(this, vbHourglass);
        fgSummary->PrintGrid(summaryHeading_);
        SetMousePointer(this, vbDefault);
      },
      [this] { SetMousePointer(this, vbDefault); });
}
