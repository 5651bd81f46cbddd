#include "frmGetFiles.h"

#include "ErrorBoxes.h"
#include "MainWindowRefresh.h"
#include "PointerSeam.h"
#include "ReportDatabase.h"
#include "WindowLayout.h"
#include "cProcessCalData.h"

#include <QDir>

using namespace modReportGeneration;

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

void frmGetFiles::ShowFolder(const QString& folder) {
  const QString lastGood = Dir1->Path();
  TrapInWindowBox([&] { Dir1->SetPath(folder); },
                  [&] { Drive1->SetDriveOf(lastGood.isEmpty() ? QDir::rootPath() : lastGood); });
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
  TrapInWindowBox(
      [&] {
        SetMousePointer(this, vbHourglass);
        cProcessCalData batch;
        batch.SetFilePath(Dir1->Path());
        batch.SetFileList(File1);
        batch.CreateFileNames();
        ClearYieldReport();
        OpenYieldRecordset();
        batch.ProcessFiles();
        SetMousePointer(this, vbDefault);
        hide();
        OpenYieldRecordset();
        mainWindow_->GetRecordSet();
        mainWindow_->DisplayRecordSet();
        mainWindow_->GetSuppliers();
        mainWindow_->GetMaterials();
        mainWindow_->GetWidths();
        mainWindow_->Getdates();
        SetMousePointer(this, vbDefault);
      },
      [this] { SetMousePointer(this, vbDefault); });
}
