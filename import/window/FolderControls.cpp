#include "FolderControls.h"

#include "common/AppInfo.h"
#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStyle>

void CheckFolderReadable(const QString& folder) {
  const QFileInfo info(folder);
  if (!info.exists() || !info.isDir())
    RaiseError(kErrPathNotFound, QStringLiteral("Path not found: %1").arg(folder), AppSourceName());
  if (!info.isReadable() || !info.isExecutable())
    RaiseError(kErrPermissionDenied, QStringLiteral("Permission denied: %1").arg(folder), AppSourceName());
}

// ---- DriveListBox ----

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
  QStringList roots{QStringLiteral("/"), QDir::homePath()};
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    if (!v.isValid() || !v.isReady() || !v.device().startsWith("/dev/")) continue;
    const QString root = v.rootPath();
    if (!roots.contains(root) && !root.startsWith(QStringLiteral("/boot")) && !root.startsWith(QStringLiteral("/snap")))
      roots << root;
  }
  for (const QString& r : roots) addItem(r, r);
}

void DriveListBox::SetDriveOf(const QString& folder) {
  int best = 0;
  qsizetype bestLen = -1;
  for (int i = 0; i < count(); ++i) {
    const QString root = itemData(i).toString();
    const bool under = folder == root || folder.startsWith(root.endsWith(u'/') ? root : root + u'/');
    if (under && root.size() > bestLen) {
      best = i;
      bestLen = root.size();
    }
  }
  const QSignalBlocker quiet(this);
  setCurrentIndex(best);
}

// ---- FolderListBox ----

FolderListBox::FolderListBox(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { emit OpenRequested(item->data(Qt::UserRole).toString()); });
}

void FolderListBox::SetPath(const QString& folder) {
  const QString path = QDir::cleanPath(QDir(folder).absolutePath());
  CheckFolderReadable(path);
  QDir dir(path);
  const QStringList subs = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);

  // Build the new entries before touching the list, so a failure changes nothing.
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  QList<QListWidgetItem*> items;
  QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
  QString walk = QStringLiteral("/");
  auto add = [&](const QString& text, const QString& full, int depth, const QIcon& icon) {
    auto* item = new QListWidgetItem(icon, QString(depth * 2, u' ') + text);
    item->setData(Qt::UserRole, full);
    items << item;
  };
  add(QStringLiteral("/"), walk, 0, open);
  for (int i = 0; i < parts.size(); ++i) {
    walk = walk.endsWith(u'/') ? walk + parts[i] : walk + u'/' + parts[i];
    add(parts[i], walk, i + 1, open);
  }
  const int current = int(items.size()) - 1;
  for (const QString& s : subs) add(s, (path.endsWith(u'/') ? path : path + u'/') + s, int(parts.size()) + 1, closed);

  clear();
  for (auto* item : items) addItem(item);
  setCurrentRow(current);
  path_ = path;
  emit Change();
}

// ---- FileListBox ----

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void FileListBox::SetPath(const QString& folder) {
  CheckFolderReadable(folder);
  QDir dir(folder);
  dir.setFilter(QDir::Files);                     // hidden and system files stay out
  dir.setNameFilters({QStringLiteral("*.yrp")});  // Qt matches name filters without regard to case
  dir.setSorting(QDir::Name);
  const QStringList names = dir.entryList();
  clear();
  addItems(names);
  path_ = folder;
}

bool FileListBox::Selected(int index) const {
  const QListWidgetItem* it = item(index);
  return it && it->isSelected();
}

QString FileListBox::List(int index) const {
  const QListWidgetItem* it = item(index);
  if (!it) RaiseError(kErrSubscript, QStringLiteral("Invalid list index: %1").arg(index), AppSourceName());
  return it->text();
}
