// Excel workbooks through libxlsxwriter in its constant-memory mode: each
// row goes to the library's temporary file as soon as the next begins, so a
// million records cost no more memory than one. Numbers stay numbers (two
// decimals shown), dates are date cells, a header row in bold, frozen, with
// an autofilter; a table longer than a sheet goes on in further sheets,
// written two at a time when the table may be read from two threads (the
// library keeps each sheet's rows apart; what its sheets share, the formats'
// style numbers, is settled before).
#include "ExportFiles.h"
#include "ExportWriters.h"
#include "SheetThreads.h"
#include "common/AppInfo.h"
#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"
#include "table/ValueText.h"

#include <xlsxwriter.h>

#include <QFile>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr qint32 kFirstSerialDay = 2415021;  // 1900-01-01, Excel's day 1
constexpr qint32 kMarch1900 = 2415080;       // from here on Excel counts its 29 February 1900 too
constexpr double kMaxColumnWidth = 60;

// Excel's day number of a Julian day; 0 for a day before 1900, which Excel
// cannot hold as a date.
double serialOf(qint32 day) {
  if (day < kFirstSerialDay) return 0;
  return day >= kMarch1900 ? double(day) - 2415019 : double(day) - 2415020;
}

// Characters a number takes with two decimals (or none).
int numberWidth(double v, bool whole) {
  const double a = std::fabs(v);
  int digits = a < 10 ? 1 : int(std::floor(std::log10(a))) + 1;
  if (digits > 15) digits = 15;  // shown in scientific form
  return digits + (v < 0 ? 1 : 0) + (whole ? 0 : 3);
}

int utf8Width(QByteArrayView text) {
  int n = 0;
  for (char c : text) n += (uchar(c) & 0xC0) != 0x80;
  return n;
}

QString quotedSheet(const QString& name) {
  QString q = name;
  q.replace(u'\'', QStringLiteral("''"));
  return QStringLiteral("'%1'").arg(q);
}

class Workbook {
 public:
  Workbook(const QString& path, const QString& destination) : destination_(destination) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    // No ZIP64: a sheet of a million records is some 600 MB of XML, and
    // some readers refuse ZIP64 workbooks.
    book_ = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    if (!book_) RaiseCannotWrite(destination);
    bold_ = workbook_add_format(book_);
    format_set_bold(bold_);
    decimals_ = workbook_add_format(book_);
    format_set_num_format(decimals_, "0.00");
    whole_ = workbook_add_format(book_);
    format_set_num_format(whole_, "0");
    date_ = workbook_add_format(book_);
    format_set_num_format(date_, "yyyy-mm-dd");
    // A format takes its style number at its first cell, from a table the
    // whole workbook shares; taken here, before a second thread writes
    // sheets, the cells only read it. A format no cell uses then stays in
    // the workbook's styles, unseen.
    for (lxw_format* f : {bold_, decimals_, whole_, date_}) lxw_format_get_xf_index(f);
  }
  ~Workbook() {
    if (book_) lxw_workbook_free(book_);
  }

  // Writes the library's parts into the zip file.
  void Close() {
    lxw_workbook* book = book_;
    book_ = nullptr;
    const lxw_error e = workbook_close(book);
    if (e != LXW_NO_ERROR) Fail(e);
  }

  [[noreturn]] void Fail(lxw_error e) const {
    if (e == LXW_ERROR_CREATING_XLSX_FILE || e == LXW_ERROR_CREATING_TMPFILE || e == LXW_ERROR_ZIP_FILE_OPERATION ||
        e == LXW_ERROR_ZIP_FILE_ADD || e == LXW_ERROR_ZIP_CLOSE)
      RaiseCannotWrite(destination_);
    RaiseError(kErrFileIo, QStringLiteral("Workbook error: %1").arg(QString::fromUtf8(lxw_strerror(e))),
               AppSourceName());
  }
  void Check(lxw_error e) const {
    if (e != LXW_NO_ERROR) Fail(e);
  }

  lxw_workbook* book_ = nullptr;
  lxw_format* bold_ = nullptr;
  lxw_format* decimals_ = nullptr;
  lxw_format* whole_ = nullptr;
  lxw_format* date_ = nullptr;
  QString destination_;
};

// One sheet of a table: its header, its rows, then its column widths (the
// widest cell of each column), autofilter and chart.
class SheetWriter {
 public:
  SheetWriter(Workbook& book, const ExportSheet& sheetDef, const std::vector<QByteArray>& header, bool first)
      : book_(book), sheetDef_(sheetDef), header_(header), first_(first), columns_(int(header.size())) {}

  void Begin(lxw_worksheet* sheet) {
    sheet_ = sheet;
    widths_.assign(size_t(columns_), 0);
    if (!sheetDef_.headerRow) return;
    for (int c = 0; c < columns_; ++c) {
      const QByteArray& text = header_[size_t(c)];
      book_.Check(worksheet_write_string(sheet_, 0, lxw_col_t(c), text.constData(), book_.bold_));
      widths_[size_t(c)] = utf8Width(text) + 3;  // bold, and the filter's button
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    row_ = 1;
  }

  void WriteRow(const ExportCell* cells) {
    lxw_worksheet* ws = sheet_;
    const lxw_row_t row = row_++;
    for (int c = 0; c < columns_; ++c) {
      const ExportCell& cell = cells[c];
      const lxw_col_t col = lxw_col_t(c);
      double width = 0;
      switch (cell.type) {
        case ExportCell::Empty: break;
        case ExportCell::Number: {
          const double v = cell.number == 0 ? 0 : cell.number;  // -0 as 0, as the grid shows it
          book_.Check(worksheet_write_number(ws, row, col, v, cell.whole ? book_.whole_ : book_.decimals_));
          width = numberWidth(v, cell.whole);
          if (sheetDef_.chart && c == sheetDef_.chart->valueColumn && qint64(row) <= sheetDef_.chart->points)
            values_.push_back(v);
          break;
        }
        case ExportCell::Date: {
          const double serial = serialOf(cell.day);
          if (serial > 0) {
            book_.Check(worksheet_write_number(ws, row, col, serial, book_.date_));
          } else {
            char chars[11] = {};
            DateChars(cell.day, chars);
            book_.Check(worksheet_write_string(ws, row, col, chars, nullptr));
          }
          width = 10;
          break;
        }
        case ExportCell::Text: {
          text_.assign(cell.text.data(), size_t(cell.text.size()));
          const lxw_error e = worksheet_write_string(ws, row, col, text_.c_str(), nullptr);
          if (e == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
            RaiseError(kErrBadCall,
                       QStringLiteral("A text of %1 characters in row %2, column %3 is longer than a workbook cell "
                                      "holds (32,767)")
                           .arg(utf8Width(cell.text))
                           .arg(row + 1)
                           .arg(c + 1),
                       AppSourceName());
          book_.Check(e);
          width = utf8Width(cell.text);
          break;
        }
      }
      double& w = widths_[size_t(c)];
      if (width + 1 > w) w = width + 1;
    }
  }

  void End() {
    lxw_worksheet* ws = sheet_;
    for (int c = 0; c < columns_; ++c)
      worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), std::min(kMaxColumnWidth, widths_[size_t(c)]), nullptr);
    if (sheetDef_.headerRow && sheetDef_.autofilter && columns_ > 0)
      worksheet_autofilter(ws, 0, 0, row_ > 1 ? row_ - 1 : 1, lxw_col_t(columns_ - 1));
    if (sheetDef_.chart && first_) InsertChart(ws);
  }

 private:
  void InsertChart(lxw_worksheet* ws) {
    const ExportChart& wanted = *sheetDef_.chart;
    if (wanted.points <= 0) return;
    lxw_chart* chart = workbook_add_chart(book_.book_, LXW_CHART_LINE);
    const QString sheet = quotedSheet(sheetDef_.name);
    const char valueLetter = char('A' + wanted.valueColumn);
    const QByteArray categories = QStringLiteral("=%1!$A$2:$A$%2").arg(sheet).arg(wanted.points + 1).toUtf8();
    const QByteArray values =
        QStringLiteral("=%1!$%2$2:$%2$%3").arg(sheet).arg(QLatin1Char(valueLetter)).arg(wanted.points + 1).toUtf8();
    lxw_chart_series* series = chart_add_series(chart, categories.constData(), values.constData());
    const QByteArray valueName = wanted.valueName.toUtf8();
    chart_series_set_name(series, valueName.constData());
    chart_series_set_marker_type(series, LXW_CHART_MARKER_CIRCLE);
    chart_series_set_marker_size(series, 6);
    if (!wanted.joined) {
      lxw_chart_line none{};
      none.none = LXW_TRUE;
      chart_series_set_line(series, &none);
    }
    const QByteArray title = wanted.title.toUtf8();
    chart_title_set_name(chart, title.constData());
    chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
    chart_axis_set_num_format(chart->y_axis, "0.00");
    // The value axis fitted to the values, as the window's chart is, so that a
    // point or two between groups shows.
    if (!values_.empty()) {
      const auto [lo, hi] = std::minmax_element(values_.begin(), values_.end());
      const double pad = *hi > *lo ? (*hi - *lo) / 10 : std::max(1.0, std::fabs(*hi) / 10);
      chart_axis_set_min(chart->y_axis, *lo - pad);
      chart_axis_set_max(chart->y_axis, *hi + pad);
    }
    lxw_chart_options options{};
    options.x_scale = 2;
    options.y_scale = 1.5;
    book_.Check(worksheet_insert_chart_opt(ws, 1, lxw_col_t(columns_ + 1), chart, &options));
  }

  Workbook& book_;
  const ExportSheet& sheetDef_;
  const std::vector<QByteArray>& header_;
  bool first_;
  int columns_;
  lxw_worksheet* sheet_ = nullptr;
  lxw_row_t row_ = 0;
  std::vector<double> widths_;
  std::string text_;
  std::vector<double> values_;  // the chart's, for its axis
};

// A table and the sheets it takes, "Records", "Records 2", ..., all added to
// the workbook before any is written, so that they keep their order however
// the threads take them. Sheet k holds rows [k * perSheet, (k + 1) * perSheet).
class TableSheets {
 public:
  TableSheets(Workbook& book, const ExportSheet& sheetDef, qint64 sheetRows)
      : book_(book), sheetDef_(sheetDef), rows_(sheetDef.table->RowCount()) {
    const int columns = sheetDef.table->ColumnCount();
    for (int c = 0; c < columns && sheetDef.headerRow; ++c) header_.push_back(sheetDef.table->Header(c).toUtf8());
    header_.resize(size_t(columns));
    perSheet_ = std::max<qint64>(1, sheetRows - (sheetDef.headerRow ? 1 : 0));
    const qint64 count = std::max<qint64>(1, (rows_ + perSheet_ - 1) / perSheet_);
    for (qint64 k = 0; k < count; ++k) {
      const QString name = k == 0 ? sheetDef.name : QStringLiteral("%1 %2").arg(sheetDef.name).arg(k + 1);
      lxw_worksheet* sheet = workbook_add_worksheet(book.book_, name.toUtf8().constData());
      if (!sheet) book.Fail(LXW_ERROR_SHEETNAME_ALREADY_USED);
      sheets_.push_back(sheet);
    }
  }

  int Count() const { return int(sheets_.size()); }
  // A chart is added to the workbook, so its table is written on one thread.
  bool TwoThreads() const { return sheetDef_.table->ReadableFromTwoThreads() && !sheetDef_.chart; }

  void Write(int k, SheetThreads& run) {
    SheetWriter writer(book_, sheetDef_, header_, k == 0);
    std::vector<ExportCell> cells(std::max<size_t>(header_.size(), 1));
    writer.Begin(sheets_[size_t(k)]);
    const qint64 end = std::min(rows_, (k + 1) * perSheet_);
    for (qint64 r = k * perSheet_; r < end; ++r) {
      if (!run.BeforeRow(k)) return;
      sheetDef_.table->ReadRow(r, cells.data());
      writer.WriteRow(cells.data());
    }
    writer.End();
  }

 private:
  Workbook& book_;
  const ExportSheet& sheetDef_;
  qint64 rows_;
  qint64 perSheet_ = 1;
  std::vector<QByteArray> header_;  // UTF-8, read once; empty texts without a header row
  std::vector<lxw_worksheet*> sheets_;
};

}  // namespace

bool WriteXlsx(const std::vector<ExportSheet>& sheets, const QString& path, ExportProgress* progress,
               qint64 sheetRows) {
  TemporaryBeside temporary(path);
  qint64 total = 0;
  for (const ExportSheet& s : sheets) total += s.table->RowCount();
  qint64 done = 0;
  {
    Workbook book(temporary.Path(), path);
    std::vector<std::unique_ptr<TableSheets>> tables;
    for (const ExportSheet& s : sheets) tables.push_back(std::make_unique<TableSheets>(book, s, sheetRows));
    for (const auto& table : tables) {
      SheetThreads run(progress, done, total);
      if (!run.Run(table->Count(), table->TwoThreads(), [&](int k) { table->Write(k, run); })) return false;
      done = run.Done();
    }
    if (progress) progress->Advanced(total, total);
    // The library now packs its parts into the file: the longest step of a
    // large export, which cannot be interrupted.
    book.Close();
  }
  if (progress && progress->StopRequested()) return false;
  temporary.Commit();
  return true;
}
