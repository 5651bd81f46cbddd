#pragma once
// What a batch reads from a file list: the number of entries, whether an
// entry is selected, and an entry's text (a bare file name). The file
// selection window's list offers it; tests offer their own.
#include <QString>

class FileList {
 public:
  virtual ~FileList() = default;
  virtual int ListCount() const = 0;
  virtual bool Selected(int index) const = 0;
  virtual QString List(int index) const = 0;
};
