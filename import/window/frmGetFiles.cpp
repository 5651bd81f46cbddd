#include "frmGetFiles.h"

#include "common/MemoryPolicy.h"

#include "ImportProgress.h"
#include "MainWindowRefresh.h"
#include "ReportDatabase.h"
#include "RowsBehindWait.h"
#include "cProcessCalData.h"
#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "controls/PointerSeam.h"
#include "controls/WindowLayout.h"
#include "database/Recordset.h"
#include "frmImportProblems.h"
#include "frmProgress.h"

#include <QDir>

using namespace modReportGeneration;

frmGetFiles::~frmGetFiles() {
  // Closed while the last import's rows were still on their way.
  if (writingBehind_) FinishWritingBehind();
}

frmGetFiles::frmGetFiles(MainWindowRefresh* mainWindow)
    : Drive1(new DriveListBox(this)),
      Dir1(new FolderListBox(this)),
      File1(new FileListBox(this)),
      cmdOpenFiles(new QPushButton(QStringLiteral("Open Files"), this)),
      mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("frmGetFiles"));
  setWindowTitle(QStringLiteral("Select Files"));
  setAttribute(Qt::WA_DeleteOnClose);  // the close box unloads the window
  SetClientSizeTwips(this, 9450, 4725);
  Drive1->setObjectName(QStringLiteral("Drive1"));
  Dir1->setObjectName(QStringLiteral("Dir1"));
  File1->setObjectName(QStringLiteral("File1"));
  cmdOpenFiles->setObjectName(QStringLiteral("cmdOpenFiles"));
  cmdOpenFiles->setToolTip(QStringLiteral("Import the selected report files in place of the records shown"));
  PlaceTwips(Drive1, 240, 180, 3375, 315);
  PlaceTwips(Dir1, 240, 660, 4395, 1665);
  PlaceTwips(File1, 5460, 660, 2775, 1650);
  PlaceTwips(cmdOpenFiles, 1440, 2940, 1575, 435);
  setTabOrder(Dir1, File1);
  setTabOrder(File1, Drive1);
  setTabOrder(Drive1, cmdOpenFiles);
  Dir1->setFocus();

  connect(Drive1, &QComboBox::currentIndexChanged, this, &frmGetFiles::Drive1_Change);
  connect(Dir1, &FolderListBox::Change, this, &frmGetFiles::Dir1_Change);
  connect(Dir1, &FolderListBox::OpenRequested, this, &frmGetFiles::ShowFolder);
  connect(cmdOpenFiles, &QPushButton::clicked, this, &frmGetFiles::cmdOpenFiles_Click);

  // The lists start at the process's current folder.
  ShowFolder(QDir::currentPath());
  CenterOnScreen(this);
}

bool frmGetFiles::ShowFolder(const QString& folder) {
  const QString lastGood = Dir1->Path();
  bool shown = false;
  TrapInWindowBox(
      [&] {
        Dir1->SetPath(folder);
        shown = true;
      },
      [&] { Drive1->SetDriveOf(lastGood.isEmpty() ? QDir::rootPath() : lastGood); });
  return shown;
}

void frmGetFiles::Drive1_Change() { ShowFolder(Drive1->Drive()); }

void frmGetFiles::Dir1_Change() {
  TrapInWindowBox([&] {
    File1->SetPath(Dir1->Path());
    Drive1->SetDriveOf(Dir1->Path());
  });
}

void frmGetFiles::cmdOpenFiles_Click() {
  if (File1->ListCount() == 0) return;
  cProcessCalData batch;
  batch.SetFilePath(Dir1->Path());
  batch.SetFileList(File1);
  ImportAlongRoad([&](Recordset& records, ImportProgress& progress) {
    batch.CreateFileNames();
    batch.ProcessFiles(records, &progress);
  });
}

void frmGetFiles::ImportAlongRoad(const ImportStep& importFiles) {
  // The import before first: its failure belongs to it.
  if (writingBehind_) FinishWritingBehind();
  // Shown only when the road takes more than half a second; Stop ends the
  // batch, and the road then goes on as after a whole batch.
  frmProgress progress(this);
  const ImportProgressScope importing(&progress);
  TrapInWindowBox(
      [&] {
        SetMousePointer(this, vbHourglass);
        ClearYieldReport();
        OpenYieldRecordset();
        std::shared_ptr<Recordset> records = GetYieldRecordset();
        if (!records) RaiseError(91, QStringLiteral("Object variable or With block variable not set"), AppSourceName());
        importFiles(*records, progress);
        // Its list of rows goes before the sorted one is made.
        records.reset();
        // The records are shown from memory while the file takes them.
        WriteStoredRowsBehind();
        progress.Poll();
        SetMousePointer(this, vbDefault);
        hide();
        OpenYieldRecordset();
        progress.Poll();
        RefreshMainWindow();
        ReleaseFreedMemory();  // the rows of the import before, and this one's buffers
        SetMousePointer(this, vbDefault);
      },
      [this] { SetMousePointer(this, vbDefault); });
  if (progress.IgnoringProblems()) frmImportProblems::ShowOver(this, progress.Problems());
  // Whatever the rows meet on their way gets reported once the writer says
  // it is done.
  writingBehind_ = true;
  QObject::disconnect(rowsWritten_);
  rowsWritten_ = WhenStoredRowsWritten(this, [this] { RowsBehindWritten(); });
  // Nothing on its way (the writer has nothing to say): reported all the same.
  if (!StoredRowsPending()) QMetaObject::invokeMethod(this, &frmGetFiles::RowsBehindWritten, Qt::QueuedConnection);
}

void frmGetFiles::RefreshMainWindow() {
  mainWindow_->GetRecordSet();
  mainWindow_->DisplayRecordSet();
  mainWindow_->GetSuppliers();
  mainWindow_->GetMaterials();
  mainWindow_->GetWidths();
  mainWindow_->Getdates();
}

void frmGetFiles::RowsBehindWritten() {
  if (!writingBehind_ || StoredRowsPending()) return;
  FinishWritingBehind();
}

void frmGetFiles::FinishWritingBehind(bool atExit) {
  writingBehind_ = false;
  QObject::disconnect(rowsWritten_);
  WaitForRowsBehind();
  if (atExit) {
    FinishStoredRows();
    return;
  }
  if (FinishStoredRows() && !ReportChangeByAnotherProgram()) return;
  // Rows the file could not keep, or rows another program changed: show
  // what the file holds.
  TrapInWindowBox([&] {
    OpenYieldRecordset();
    RefreshMainWindow();
  });
}
