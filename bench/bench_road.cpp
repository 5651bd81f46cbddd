// Benchmark of the user's road at a year of boards, on the real program code
// offscreen: "Open Files" with every file selected, "Filter" with a material
// and a date range, "Filter" at "ALL", "Summary", both "Copy" buttons, and the
// record grid's column fitting and scrolling on their own, the record grid's
// export to a workbook and to a CSV file. Peers on the same
// files: the sqlite3 shell's import and sorted read-back, and a plain C++
// read-split-sum pass. Prints one table.
//
//   bench_road [--sizes 100000,1000000,3000000] [--runs 3] [--cache DIR]
#include "BreakdownTable.h"
#include "IndependentCheck.h"
#include "Peers.h"
#include "ReportDatabase.h"
#include "WindowDriver.h"
#include "WorkbookPacking.h"
#include "common/TestHooks.h"
#include "controls/FileDialogSeam.h"

#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMimeData>
#include <QProcess>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <map>

namespace {

constexpr int kFilesPerBatch = 10;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double timed(const std::function<void()>& step) {
  QElapsedTimer t;
  t.start();
  step();
  return t.nsecsElapsed() / 1e9;
}

// Time from a click until a view has painted what it brought: the click,
// then events until the first paint of `painted` is done (-1 if none comes
// within ten seconds).
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(std::function<bool(QObject*)> painted) : painted_(std::move(painted)) {
    qApp->installEventFilter(this);
  }
  ~PaintWatch() override { qApp->removeEventFilter(this); }
  double SecondsTo(const std::function<void()>& click) {
    seen_ = false;
    QElapsedTimer t;
    t.start();
    click();
    while (!seen_ && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return seen_ ? t.nsecsElapsed() / 1e9 : -1;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Seen as it arrives; processEvents returns once it is painted.
    if (event->type() == QEvent::Paint && painted_(watched)) seen_ = true;
    return false;
  }

 private:
  std::function<bool(QObject*)> painted_;
  bool seen_ = false;
};

// Resident memory now, and the peak since the last ResetPeak (Linux:
// VmRSS and VmHWM of /proc/self/status; writing 5 to clear_refs resets the
// peak).
double statusMegabytes(const char* field) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(field))
      return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ')[0].toDouble() / 1024;
  return -1;
}
bool resetPeak() {
  QFile f(QStringLiteral("/proc/self/clear_refs"));
  return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

double peakMegabytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024.0;
}

QStringList batchFiles(const QString& folder) {
  QStringList files;
  for (const QString& name : QDir(folder).entryList({"*.yrp"}, QDir::Files, QDir::Name)) files << folder + "/" + name;
  return files;
}

// Generates a batch once; later runs reuse it.
QString ensureBatch(const QString& cache, long long records) {
  const QString folder = QStringLiteral("%1/%2").arg(cache).arg(records);
  if (batchFiles(folder).size() == kFilesPerBatch) return folder;
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
  std::fprintf(stderr, "generating %lld records in %s\n", records, qPrintable(folder));
  QProcess gen;
  gen.start(GENERATOR_PATH, {"--out", folder, "--lines", QString::number(records), "--files",
                             QString::number(kFilesPerBatch), "--seed", "2024"});
  gen.waitForFinished(-1);
  return folder;
}

// One size in this process: prints "step<TAB>seconds" lines.
int runSize(const QString& folder, int runs, bool check) {
  WindowDriver d;
  if (d.Start() != 0) return 1;
  Form1* f = d.Main();
  frmGetFiles* w = d.OpenFileWindow(folder);
  std::map<QString, std::vector<double>> times;
  double loadedPeakMb = 0;  // the records loaded and shown once
  for (int r = 0; r < runs; ++r) {
    if (r > 0) d.OpenFileWindow();
    w->File1->selectAll();
    // Timed until the grid and lists show the records; the rows then reach
    // the file behind them, timed on their own (a user looks at the grid
    // meanwhile, so the next step starts once they are in).
    const double shown = timed([&] { d.PressOpenFiles(false); });
    times["Open Files"].push_back(shown);
    if (r == 0) loadedPeakMb = peakMegabytes();
    times["  Open Files until the file holds every row"].push_back(shown + timed([&] { d.WaitForTheFile(); }));
  }
  // The same road with the progress window kept hidden: the difference is
  // what showing the progress costs.
  TheTestHooks().progressShowDelayMs = std::numeric_limits<int>::max();
  for (int r = 0; r < runs; ++r) {
    d.OpenFileWindow();
    w->File1->selectAll();
    times["Open Files, progress window kept hidden"].push_back(timed([&] { d.PressOpenFiles(false); }));
    d.WaitForTheFile();
  }
  TheTestHooks().progressShowDelayMs.reset();
  // Steps that take well under a second are timed five times at least: a
  // single run of a few milliseconds is mostly the machine's noise.
  const int quickRuns = std::max(runs, 5);
  const qint64 records = f->fgRS->Rows() - 1;
  auto pickAll = [&] {
    for (QComboBox* c : {f->cmboMaterial, f->cmboSupplier, f->cmboWidth, f->cmboDate[0], f->cmboDate[1]})
      c->setCurrentIndex(0);
  };
  for (int r = 0; r < quickRuns; ++r) {
    pickAll();
    WindowDriver::Pick(f->cmboMaterial, "Red Oak");
    f->cmboDate[0]->setCurrentIndex(2);
    f->cmboDate[1]->setCurrentIndex(f->cmboDate[1]->count() - 2);
    times["Filter (material, dates)"].push_back(timed([&] { WindowDriver::Click(f->cmdFilter); }));
  }
  const qint64 filtered = f->fgRS->Rows() - 1;
  for (int r = 0; r < quickRuns; ++r) {
    pickAll();
    times["Filter (all ALL)"].push_back(timed([&] { WindowDriver::Click(f->cmdFilter); }));
  }
  for (int r = 0; r < quickRuns; ++r) times["Summary"].push_back(timed([&] { WindowDriver::Click(f->cmdSummary); }));

  // The breakdown of every record shown, for each grouping: the table
  // (grouping, filling, fitting its columns) apart from the chart (made and
  // painted at the window's size). The slowest grouping of each counts.
  WindowDriver::Click(f->cmdBreakdown);
  frmBreakdown* breakdown = f->BreakdownWindow();
  {
    BreakdownTable table;
    QTableView view;
    view.setModel(&table);
    std::map<QString, std::vector<double>> tableTimes, chartTimes;
    for (int r = 0; r < quickRuns; ++r) {
      for (int g = 0; g < BreakdownGroupingNames().size(); ++g) {
        const QString name = BreakdownGroupingNames()[g];
        tableTimes[name].push_back(timed([&] {
          table.SetBreakdown(BreakDown(f->RecordsetInUse().get(), BreakdownGrouping(g)));
          view.resizeColumnsToContents();
        }));
        breakdown->cmboGroupBy->setCurrentIndex(g);
        breakdown->cmboMeasure->setCurrentIndex(r % 2);
        chartTimes[name].push_back(timed([&] {
          breakdown->cmboMeasure->setCurrentIndex(2);  // the chart made again
          (void)breakdown->chtBreakdown->grab();
        }));
      }
    }
    const auto slowest = [&](const std::map<QString, std::vector<double>>& perGrouping, const char* what) {
      QString worst;
      double seconds = 0;
      for (const auto& [name, v] : perGrouping)
        if (median(v) >= seconds) seconds = median(v), worst = name;
      std::fprintf(stderr, "breakdown %s: slowest grouping %s, %.3f s\n", what, qPrintable(worst), seconds);
      return std::vector<double>{seconds};
    };
    times["Breakdown table (slowest grouping)"] = slowest(tableTimes, "table");
    times["Breakdown chart (slowest grouping)"] = slowest(chartTimes, "chart");
  }
  breakdown->close();
  for (int r = 0; r < quickRuns; ++r) {
    pickAll();
    times["Filter (all ALL), breakdown window closed"].push_back(timed([&] { WindowDriver::Click(f->cmdFilter); }));
  }
  QString recordCopy, summaryCopy;
  // The Copy offers the records; their text is made only when a program
  // pastes them. The user's road ends at the offer: a paste is timed and
  // weighed on its own (its peak above what the program held before), and
  // kept out of the road's peak.
  const double roadPeakBeforePasteMb = peakMegabytes();
  double pasteMb = 0;
  for (int r = 0; r < runs; ++r) {
    times["Copy (record grid)"].push_back(timed([&] { WindowDriver::Click(f->cmdCopy2); }));
    const double before = statusMegabytes("VmRSS:");
    const bool reset = resetPeak();
    times["  Paste of the record grid's copy (its text made then)"].push_back(
        timed([&] { (void)QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")).size(); }));
    if (reset) pasteMb = std::max(pasteMb, statusMegabytes("VmHWM:") - before);
    if (r == 0 && check) recordCopy = QGuiApplication::clipboard()->text();
  }
  // The copy's text alone, and the floor under it: moving the same number
  // of bytes with memcpy. The clipboard is emptied first, as the Copy
  // button does, so one copy is held at a time.
  QGuiApplication::clipboard()->clear();
  qsizetype copyBytes = 0;
  for (int r = 0; r < runs; ++r) {
    f->fgRS->Select(0, 0, f->fgRS->Rows() - 1, f->fgRS->Cols() - 1);
    times["  of which Clip text"].push_back(timed([&] { copyBytes = f->fgRS->ClipUtf8().size(); }));
  }
  resetPeak();  // the road goes on from what it holds now
  for (int r = 0; r < quickRuns; ++r) {
    times["Copy (summary)"].push_back(timed([&] { WindowDriver::Click(f->cmdCopy); }));
    if (r == 0) summaryCopy = QGuiApplication::clipboard()->text();
  }
  for (int r = 0; r < quickRuns; ++r)
    times["AutoSize (record grid)"].push_back(timed([&] { f->fgRS->AutoSize(1, f->fgRS->Cols() - 1, false, 50); }));
  for (int r = 0; r < quickRuns; ++r)
    times["Scroll to end and paint"].push_back(timed([&] {
      f->fgRS->scrollToBottom();
      f->fgRS->viewport()->repaint();
      f->fgRS->scrollToTop();
      f->fgRS->viewport()->repaint();
    }));

  // Responsiveness: from the click until the view shows its result.
  {
    QWidget* records = f->fgRS->viewport();
    PaintWatch gridPainted([&](QObject* o) { return o == records; });
    for (int r = 0; r < quickRuns; ++r) {
      QTest::keyClick(f->fgRS, Qt::Key_Home, Qt::ControlModifier);  // the current cell back at the top too
      QCoreApplication::processEvents();
      times["Repaint after Ctrl+End in the record grid"].push_back(
          gridPainted.SecondsTo([&] { QTest::keyClick(f->fgRS, Qt::Key_End, Qt::ControlModifier); }));
    }
    for (int r = 0; r < quickRuns; ++r) {
      pickAll();
      QCoreApplication::processEvents();
      times["Repaint after Filter (all ALL)"].push_back(
          gridPainted.SecondsTo([&] { WindowDriver::Click(f->cmdFilter); }));
    }
    PaintWatch breakdownPainted(
        [&](QObject* o) { return f->BreakdownWindow() && o == f->BreakdownWindow()->tblBreakdown->viewport(); });
    for (int r = 0; r < quickRuns; ++r) {
      if (f->BreakdownWindow()) f->BreakdownWindow()->close();
      // A Filter while the window is closed: it reads the records anew
      // when it opens.
      pickAll();
      WindowDriver::Click(f->cmdFilter);
      QCoreApplication::processEvents();
      times["Repaint after Breakdown (window opened)"].push_back(
          breakdownPainted.SecondsTo([&] { WindowDriver::Click(f->cmdBreakdown); }));
    }
    if (f->BreakdownWindow()) f->BreakdownWindow()->close();
  }

  // Export of the record grid through its context menu, to a workbook and
  // to a CSV file; memory as the peak above what the program held before.
  // Resetting the peak resets the process's own too: keep the road's first.
  const double roadPeakBeforeExportMb = std::max(roadPeakBeforePasteMb, peakMegabytes());
  double exportMb = 0;
  for (const char* suffix : {".xlsx", ".csv"}) {
    const QString path = d.folder.Path() + "/export" + suffix;
    SetSaveFileNameHandler([&](const QString&, const QString&, const QString&) { return path; });
    for (int r = 0; r < runs; ++r) {
      const double before = statusMegabytes("VmRSS:");
      const bool reset = resetPeak();
      times[QStringLiteral("Export record grid to %1").arg(suffix + 1)].push_back(timed([&] {
        emit f->fgRS->customContextMenuRequested(QPoint(5, 5));
        f->mnuGrid->hide();
        f->mnuExport->trigger();
      }));
      if (reset) exportMb = std::max(exportMb, statusMegabytes("VmHWM:") - before);
      std::fprintf(stderr, "export %s: %lld bytes\n", suffix, QFileInfo(path).size());
      QFile::remove(path);
      // The next step starts with the disk quiet: a gigabyte written and
      // removed is not its cost.
      ::sync();
    }
  }
  SetSaveFileNameHandler({});

  // Last, as it empties the table: the emptying that starts every import and
  // every start, with the space given back to the file system.
  times["Emptying the table (space given back)"].push_back(timed([&] { modReportGeneration::ClearYieldReport(); }));

  const double roadPeakMb = std::max(roadPeakBeforeExportMb, peakMegabytes());
  // After the road's peak is taken: two buffers of the copy's size.
  {
    std::vector<char> from(size_t(copyBytes), 'x'), to(size_t(copyBytes), 'y');
    for (int r = 0; r < runs; ++r)
      times["  floor: memcpy of the same bytes"].push_back(
          timed([&] { std::memcpy(to.data(), from.data(), from.size()); }));
  }
  for (const auto& [step, v] : times) std::printf("STEP\t%s\t%.6f\n", qPrintable(step), median(v));
  std::printf("RECORDS\t%lld\t%lld\n", records, filtered);
  std::printf("BOXES\t%zu\n", d.boxes.boxes.size());
  std::printf("LOADED_MB\t%.1f\n", loadedPeakMb);
  std::printf("PEAK_MB\t%.1f\n", roadPeakMb);
  std::printf("EXPORT_MB\t%.1f\n", exportMb);
  std::printf("PASTE_MB\t%.1f\n", pasteMb);
  if (check) {
    const QStringList files = batchFiles(folder);
    const QString copyProblem = CheckRecordCopy(files, recordCopy);
    const QString summaryProblem = CheckSummaryCopy(files, summaryCopy);
    std::printf("CHECK\t%s\n", copyProblem.isEmpty() && summaryProblem.isEmpty()
                                   ? "record grid copy and summary equal the independent computation"
                                   : qPrintable("MISMATCH: " + copyProblem + " " + summaryProblem));
  }
  std::fflush(stdout);
  return 0;
}

struct SizeResult {
  long long records = 0;
  std::map<QString, double> steps;
  double peakMb = 0;
  double loadedMb = 0;
  double exportMb = 0;
  double pasteMb = 0;
  QString check;
  ShellTimes shell;
  PlainPass plain;
};

const char* verdict(bool met) { return met ? "met" : "NOT MET"; }

// Each target of the road: at a million records, and at ten million (and
// the scaling from the smallest to the largest size).
void printTargets(const std::vector<SizeResult>& results) {
  std::printf("targets:\n");
  for (const SizeResult& r : results) {
    const auto step = [&](const char* name) { return r.steps.count(name) ? r.steps.at(name) : -1.0; };
    const auto line = [](const QString& what, double value, const char* unit, bool met) {
      std::printf("  %-60s %8.*f%s  %s\n", qPrintable(what), unit[0] == 'M' ? 0 : 3, value, unit, verdict(met));
    };
    const auto within = [&](const char* name, double limit, const QString& what) {
      const double s = step(name);
      line(what, s, "s ", s >= 0 && s <= limit);
    };
    const double open = step("Open Files");
    const double untilFile = step("  Open Files until the file holds every row");
    const double shell = r.shell.importSeconds;
    if (r.records >= 1000000 && shell > 0)
      line(QStringLiteral("Open Files at %1 <= 0.4 x shell import").arg(r.records), open / shell, "x ",
           open <= 0.4 * shell);
    if (r.records >= 10000000) {
      if (shell > 0)
        line(QStringLiteral("Open Files until the file holds every row <= 0.6 x shell"), untilFile / shell, "x ",
             untilFile >= 0 && untilFile <= 0.6 * shell);
      line("memory, loaded and shown <= 600 MB", r.loadedMb, "MB", r.loadedMb <= 600);
      line("memory, whole road <= 1200 MB", r.peakMb, "MB", r.peakMb <= 1200);
      within("Summary", 0.3, "Summary <= 0.3 s");
      within("Filter (all ALL)", 0.15, "Filter (all ALL) <= 0.15 s");
      within("Breakdown table (slowest grouping)", 0.2, "Breakdown table <= 0.2 s");
      within("Copy (summary)", 0.01, "Copy (summary) <= 0.01 s");
      within("Repaint after Ctrl+End in the record grid", 0.1, "scrolling to the end repainted <= 100 ms");
      within("Repaint after Filter (all ALL)", 0.1, "Filter repainted <= 100 ms");
      within("Repaint after Breakdown (window opened)", 0.1, "breakdown window painted <= 100 ms");
      std::printf("  %-60s %8.3fs  (the copy is made when pasted, %.0f MB above the road's memory then)\n",
                  "  Paste of the record grid's copy (its text made then)",
                  step("  Paste of the record grid's copy (its text made then)"), r.pasteMb);
    }
    if (r.records != 1000000) continue;
    const double copy = step("Copy (record grid)");
    const double floor = step("  floor: memcpy of the same bytes");
    std::printf("  %-60s %6.3fs  %s (its text alone: %.0f x memcpy of the same bytes)\n", "Copy (record grid) <= 0.5 s",
                copy, verdict(copy <= 0.5), floor > 0 ? step("  of which Clip text") / floor : 0.0);
    std::printf("  %-60s %6.0fMB  %s\n", "memory, loaded and shown <= 150 MB", r.loadedMb, verdict(r.loadedMb <= 150));
    std::printf("  %-60s %6.0fMB  %s\n", "memory, whole road (two copies) <= 300 MB", r.peakMb,
                verdict(r.peakMb <= 300));
    const double table = step("Breakdown table (slowest grouping)");
    const double chart = step("Breakdown chart (slowest grouping)");
    std::printf("  %-60s %6.3fs  %s\n", "Breakdown table <= 0.150 s", table, verdict(table <= 0.150));
    std::printf("  %-60s %6.3fs  %s\n", "Breakdown chart <= 0.300 s", chart, verdict(chart <= 0.300));
    const double xlsx = step("Export record grid to xlsx");
    const double csv = step("Export record grid to csv");
    std::printf("  %-60s %6.3fs  %s (packed at %s)\n", "Export record grid to xlsx <= 4 s", xlsx,
                verdict(xlsx >= 0 && xlsx <= 4),
                WorkbookPackingIsFast() ? "zlib's fastest level" : "libxlsxwriter's default level");
    std::printf("  %-60s %6.3fs  %s\n", "Export record grid to CSV <= 1 s", csv, verdict(csv >= 0 && csv <= 1));
    std::printf("  %-60s %6.0fMB  %s\n", "memory, export peak above before <= 60 MB", r.exportMb,
                verdict(r.exportMb <= 60));
  }
  if (results.size() >= 2) {
    const SizeResult& a = results.front();
    const SizeResult& b = results.back();
    // Ten times the records: at most 1.15 the cost per record; smaller
    // steps between sizes keep the older bound.
    const double bound = b.records >= 10 * a.records ? 1.15 : 1.2;
    double worst = 0;
    QString worstStep;
    for (const auto& [name, sec] : b.steps) {
      if (!a.steps.count(name) || name.startsWith("  ")) continue;
      const double ratio = (sec / b.records) / (a.steps.at(name) / a.records);
      if (ratio > worst) worst = ratio, worstStep = name;
    }
    std::printf(
        "  %-60s %6.2f   %s (%s)\n",
        qPrintable(
            QStringLiteral("cost per record at %1 over %2 <= %3, every step").arg(b.records).arg(a.records).arg(bound)),
        worst, verdict(worst <= bound), qPrintable(worstStep));
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  GuardedApplication app(argc, argv);
  QStringList args = app.arguments();
  auto option = [&](const QString& name, const QString& fallback) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
  };
  const int runs = option("--runs", "3").toInt();
  if (args.contains("--child")) return runSize(option("--child", ""), runs, option("--check", "0") == "1");

  // Absolute: the road changes the current folder when it opens the file window.
  const QString cache = QDir(option("--cache", QDir::currentPath() + "/bench/cache")).absolutePath();
  std::vector<SizeResult> results;
  for (const QString& s : option("--sizes", "100000,1000000,3000000").split(',')) {
    SizeResult res;
    res.records = s.toLongLong();
    const QString folder = ensureBatch(cache, res.records);
    const QStringList files = batchFiles(folder);
    res.plain = TimePlainPass(files);
    res.shell = TimeSqliteShell(files, cache);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(app.applicationFilePath(),
                {"--child", folder, "--runs", QString::number(runs), "--check", res.records <= 100000 ? "1" : "0"});
    child.waitForFinished(-1);
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
      const QList<QByteArray> f = line.split('\t');
      if (f[0] == "STEP") res.steps[QString::fromUtf8(f[1])] = f[2].toDouble();
      if (f[0] == "PEAK_MB") res.peakMb = f[1].toDouble();
      if (f[0] == "LOADED_MB") res.loadedMb = f[1].toDouble();
      if (f[0] == "EXPORT_MB") res.exportMb = f[1].toDouble();
      if (f[0] == "PASTE_MB") res.pasteMb = f[1].toDouble();
      if (f[0] == "CHECK") res.check = QString::fromUtf8(f[1]);
      if (f[0] == "BOXES" && f[1] != "0") res.check += " (message boxes shown: " + QString::fromUtf8(f[1]) + ")";
    }
    std::fprintf(stderr, "size %lld done\n", res.records);
    results.push_back(res);
  }

  std::printf(
      "Corvane Yield Report Analysis: the user's road (median of %d runs, of 5 or more for the quick steps; "
      "seconds)\n\n",
      runs);
  std::printf("%-44s %10s %10s %12s %10s %10s\n", "step", "records", "seconds", "records/s", "vs shell", "vs plain");
  for (const SizeResult& r : results) {
    for (const auto& [step, sec] : r.steps) {
      const double vsShell = r.shell.importSeconds > 0 ? sec / r.shell.importSeconds : 0;
      std::printf("%-44s %10lld %10.3f %12.0f %9.2fx %9.1fx\n", qPrintable(step), r.records, sec, r.records / sec,
                  vsShell, sec / r.plain.seconds);
    }
    std::printf("%-44s %10lld %10.3f %12.0f\n", "peer: sqlite3 .import", r.records, r.shell.importSeconds,
                r.records / r.shell.importSeconds);
    std::printf("%-44s %10lld %10.3f %12.0f\n", "peer: sqlite3 sorted read", r.records, r.shell.readBackSeconds,
                r.records / r.shell.readBackSeconds);
    std::printf("%-44s %10lld %10.3f %12.0f\n", "peer: plain C++ pass", r.records, r.plain.seconds,
                r.records / r.plain.seconds);
    std::printf("%-44s %10lld %9.0f MB\n", "peak memory, loaded+shown", r.records, r.loadedMb);
    std::printf("%-44s %10lld %9.0f MB\n", "peak memory, whole road", r.records, r.peakMb);
    std::printf("%-44s %10lld %9.0f MB\n", "export, peak above before", r.records, r.exportMb);
    std::printf("%-44s %10lld %9.0f MB\n", "paste of the record copy, peak above before", r.records, r.pasteMb);
    if (!r.check.isEmpty()) std::printf("check: %s\n", qPrintable(r.check));
    std::printf("\n");
  }
  printTargets(results);
  if (results.size() >= 2) {
    const SizeResult& a = results.front();
    const SizeResult& b = results.back();
    std::printf("scaling, cost per record at %lld over %lld records:\n", b.records, a.records);
    for (const auto& [step, sec] : b.steps) {
      if (!a.steps.count(step)) continue;
      const double ratio = (sec / b.records) / (a.steps.at(step) / a.records);
      std::printf("  %-44s %6.2f  %s\n", qPrintable(step), ratio,
                  step.startsWith("  ") ? "" : verdict(ratio <= (b.records >= 10 * a.records ? 1.15 : 1.2)));
    }
  }
  return 0;
}
