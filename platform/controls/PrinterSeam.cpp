#include "controls/PrinterSeam.h"

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {
class PreviewBackend : public PrinterBackend {
 public:
  void Print(const QString& documentName, const PrintRenderer& render) override {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    QPrintPreviewDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(documentName);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&](QPrinter* p) { render(*p); });
    dialog.exec();  // cancelling prints nothing and is not an error
  }
};

PrinterBackend*& current() {
  static PrinterBackend* backend = nullptr;
  return backend;
}
}  // namespace

void PdfPrinterBackend::Print(const QString& documentName, const PrintRenderer& render) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(documentName);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path_);
  render(printer);
}

void SetPrinterBackend(PrinterBackend* backend) { current() = backend; }

void PrintDocument(const QString& documentName, const PrintRenderer& render) {
  static PreviewBackend preview;
  (current() ? *current() : static_cast<PrinterBackend&>(preview)).Print(documentName, render);
}
