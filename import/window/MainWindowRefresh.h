#pragma once
// The main window's procedures that the file selection window calls after an
// import to show the new records and refill the filter lists.
class MainWindowRefresh {
 public:
  virtual ~MainWindowRefresh() = default;
  virtual void GetRecordSet() = 0;
  virtual void DisplayRecordSet() = 0;
  virtual void GetSuppliers() = 0;
  virtual void GetMaterials() = 0;
  virtual void GetWidths() = 0;
  virtual void Getdates() = 0;
};
