#pragma once
// Where a writer puts its bytes before the destination is whole: a
// temporary name in the destination's folder, renamed over the destination
// at the end, removed on failure or stop.
#include <QString>

// Raises error 75, "Path/File access error: <path>".
[[noreturn]] void RaiseCannotWrite(const QString& path);

class TemporaryBeside {
 public:
  // Reserves a new name beside `destination`; raises error 75 when its folder
  // cannot be written.
  explicit TemporaryBeside(const QString& destination);
  ~TemporaryBeside();  // removes the temporary file unless committed
  TemporaryBeside(const TemporaryBeside&) = delete;
  TemporaryBeside& operator=(const TemporaryBeside&) = delete;

  QString Path() const { return temporary_; }
  // Syncs the temporary file and renames it over the destination.
  void Commit();

 private:
  QString destination_;
  QString temporary_;
  bool committed_ = false;
};
