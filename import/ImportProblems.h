#pragma once
// The problems of one batch of report files: every error box the import gave,
// or would have given once the user chose "Ignore All", with the file, line,
// record and column it came from. Kept in the order they arose, which is the
// batch's file order and each file's line order. No widgets: the file
// selection window shows the list.
#include <QString>
#include <QStringList>

#include <vector>

struct ImportProblem {
  QString file;       // the file's name, without its folder
  qint64 line = 0;    // the file's line, from 1 (blank lines counted); 0: the file as a whole
  qint64 record = 0;  // the record, from 1 (blank lines not counted); 0: the file as a whole
  QString column;     // the column being set; empty when the row or the file failed
  QString text;       // the box's text
};

class ImportProblems {
 public:
  void Add(ImportProblem problem);
  // The problems listed: the first kMostListed of them.
  const std::vector<ImportProblem>& List() const { return listed_; }
  // Every problem, listed or not.
  qint64 Count() const { return count_; }

  // The columns' captions, and one problem's cells in their order (a line
  // or record of 0 is an empty cell).
  static QStringList Header();
  static QStringList Cells(const ImportProblem& problem);
  // The list as a spreadsheet takes it: cells joined by tabs, one line per
  // problem, the header first.
  QString Text() const;

  // A file that is no yield report at all gives a box for nearly every
  // field; a list of millions would cost gigabytes and help nobody.
  static constexpr qsizetype kMostListed = 100000;

 private:
  std::vector<ImportProblem> listed_;
  qint64 count_ = 0;
  QStringList texts_;  // the texts seen, so that repeated ones share their storage
};
