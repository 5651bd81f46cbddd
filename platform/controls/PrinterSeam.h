#pragma once
// Printing: the renderer paints pages on a QPrinter. The real backend shows
// the print preview, from which the user prints or saves a PDF file; tests
// print straight into a PDF file.
#include <QString>

#include <functional>

class QPrinter;

using PrintRenderer = std::function<void(QPrinter& printer)>;

class PrinterBackend {
 public:
  virtual ~PrinterBackend() = default;
  virtual void Print(const QString& documentName, const PrintRenderer& render) = 0;
};

// Prints the file straight to a PDF file at the path.
class PdfPrinterBackend : public PrinterBackend {
 public:
  explicit PdfPrinterBackend(QString path) : path_(std::move(path)) {}
  void Print(const QString& documentName, const PrintRenderer& render) override;

 private:
  QString path_;
};

void PrintDocument(const QString& documentName, const PrintRenderer& render);
// nullptr restores the print preview. The backend stays owned by the caller.
void SetPrinterBackend(PrinterBackend* backend);
