#!/usr/bin/env python3
"""Reports from the command line, run as the built program with no display
and no Qt platform chosen, over report files written here; the written files
are read back with openpyxl, Python's csv module and poppler's tools.
    report_command_line.py PROGRAM"""
import csv
import hashlib
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile

import openpyxl

program = sys.argv[1]
work = tempfile.mkdtemp(prefix="report-cli-")
failures = []

# date, supplier, material, width, board, parts cut, net, clear
BOARDS = [
    ("2024-03-01", "Acme", "Oak", "4", 100.25, 70.5, 90.0, 60.0),  # before the week
    ("2024-03-04", "Acme", "Oak", "4", 120.5, 80.25, 110.0, 75.5),
    ("2024-03-05", "Birch & Sons", "Oak", "6", 130.0, 90.0, 120.0, 85.0),
    ("2024-03-05", "Acme", "Oak", "W?", 101.0, 70.0, 95.0, 66.0),  # width refused: kept without one
    ("2024-03-06", "Acme", "Ash", "4", 90.0, 60.0, 80.0, 55.0),
    ("2024-03-10", "Birch & Sons", "Oak", "4", 110.0, 75.0, 100.0, 70.0),
    ("2024-03-11", "Acme", "Oak", "4", 99.0, 66.0, 88.0, 60.0),  # after the week
]


def line(b, board=None):
    d, s, m, w, t, p, n, c = b
    return ",".join([d, "07:00:00", "Ann", s, "RIP", m, w, board or f"{t:.2f}", f"{p:.2f}",
                     f"{p / t * 100:.2f}", f"{n:.2f}", f"{c:.2f}", f"{c / n * 100:.2f}", f"{p / c * 100:.2f}"]) + "\r\n"


def write(name, text):
    path = os.path.join(work, name)
    with open(path, "w", newline="") as f:
        f.write(text)
    return path


first = write("line1.yrp", "".join(line(b) for b in BOARDS[:4]))  # the refused width is line 4
second = write("line2.yrp", "".join(line(b) for b in BOARDS[4:]))
refused = write("refused.yrp", line(BOARDS[1]) + line(BOARDS[2], board="ERR"))
files = [first, second]
garbage = write("garbage.yrp", "\x01\x02 no report\r\n")
week = ["--material", "Oak", "--from", "2024-03-04", "--to", "2024-03-10"]
in_week = [b for b in BOARDS if b[2] == "Oak" and "2024-03-04" <= b[0] <= "2024-03-10"]
total, parts = sum(b[4] for b in in_week), sum(b[5] for b in in_week)
net, clear = sum(b[6] for b in in_week), sum(b[7] for b in in_week)


def run(*args):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    return subprocess.run([program, *args], env=env, capture_output=True, text=True, timeout=120)


def check(name, condition, result=None):
    print(("PASS: " if condition else "FAIL: ") + name)
    if not condition:
        failures.append(name)
        if result is not None:
            print(f"  code {result.returncode}\n  stdout: {result.stdout!r}\n  stderr: {result.stderr!r}")


def out(name):
    return os.path.join(work, name)


def near(a, b):
    return isinstance(a, (int, float)) and abs(a - b) < 1e-9 * max(1.0, abs(b))


def checkXlsx(path):
    wb = openpyxl.load_workbook(path)
    s = wb["Summary"]
    rows = {s.cell(r, 1).value: s.cell(r, 2).value for r in range(4, 13)}
    picks = [s.cell(2, c).value for c in range(2, 7)]
    b = wb["Yield Breakdown"]
    groups = {b.cell(r, 1).value: b.cell(r, 2).value for r in range(2, b.max_row + 1)}
    return (wb.sheetnames == ["Summary", "Yield Breakdown", "Filter"] and near(rows["Total Length"], total)
            and near(rows["Net Length"], net) and near(rows["Clear Length"], clear)
            and near(rows["Length Parts Cut"], parts) and near(rows["Net Yield %"], parts * 100 / net)
            and picks[:2] == ["ALL", "Oak"] and picks[3].date().isoformat() == "2024-03-04"
            and groups == {"Acme": 2, "Birch & Sons": 2, "All": 4})


def checkCsv(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    return (rows[0][:2] == ["Supplier", "Records"] and [r[0] for r in rows[1:]] == ["Acme", "Birch & Sons", "All"]
            and [int(r[1]) for r in rows[1:]] == [2, 2, 4] and near(float(rows[3][2]), total))


def checkPdf(path):
    pages = re.search(r"Pages:\s+(\d+)", subprocess.run(["pdfinfo", path], capture_output=True, text=True).stdout)
    text = subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, text=True).stdout
    return (pages and pages.group(1) == "2" and f"{total:,.2f}" in text and f"{parts:,.2f}" in text
            and "Yield Breakdown by Supplier" in text and "Material Oak" in text)


def checkEmpty(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    return rows == [["No records match the filter."],
                    ["Filter: Supplier ALL, Material Walnut, Width ALL, Start Date ALL, End Date ALL"]]


template = os.path.join(os.path.dirname(program), "ReportGenTemplate.mdb")
def digest():
    with open(template, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()
before = digest()

# name, arguments, code, standard error (a regular expression), file written and its check
problem = re.escape(first) + r":4: .*'W\?'"
cases = [
    ("weekly summary and breakdown to xlsx", ["--report", out("w.xlsx"), *week, "--group-by", "Supplier", *files],
     0, problem, "w.xlsx", checkXlsx),
    ("breakdown to csv, grouping in any case", ["--report", out("b.csv"), *week, "--group-by", "supplier", *files],
     0, problem, "b.csv", checkCsv),
    ("summary and breakdown to pdf", ["--report", out("p.pdf"), *week, "--group-by", "Supplier", *files],
     0, problem, "p.pdf", checkPdf),
    ("no record matches: a report that says so", ["--report", out("e.csv"), "--material", "Walnut", *files],
     0, problem, "e.csv", checkEmpty),
    ("unknown option", ["--report", out("x.csv"), "--colour", "red", *files], 1, "Unknown option 'colour'", None, None),
    ("date not as the lists show it", ["--report", out("x.csv"), "--from", "4.3.2024", *files],
     1, r"^CorvaneYieldReport: not a date .*: 4\.3\.2024\n$", None, None),
    ("unknown grouping", ["--report", out("x.csv"), "--group-by", "Colour", *files],
     1, r"^CorvaneYieldReport: unknown grouping Colour; one of: Supplier, Material, Width, Operator, Type, Day, "
        r"Week, Month\n$", None, None),
    ("unknown format", ["--report", out("x.doc"), *files], 1, r"\.xlsx, \.csv or \.pdf: ", None, None),
    ("filter option without --report", ["--material", "Oak", *files], 1, "--material needs --report", None, None),
    ("missing report file", ["--report", out("x.csv"), first, out("gone.yrp")],
     2, re.escape(out("gone.yrp")) + ": .*File not found", None, None),
    ("unwritable report", ["--report", out("missing/x.xlsx"), *files],
     1, re.escape("Error: 75, Path/File access error: " + out("missing/x.xlsx")) + "\n$", None, None),
    ("the same file named two ways counts once",
     ["--report", out("once.csv"), *week, "--group-by", "Supplier", first, second, work + "/./line1.yrp"],
     0, problem, "once.csv", checkCsv),
    ("files holding no dated record: no report, control characters escaped", ["--report", out("x.csv"), garbage],
     2, r"^[^\x01]*\\x01[^\x01]*\nNo record with a date was read from the files named\n$", None, None),
    ("summary refused", ["--report", out("x.csv"), refused],
     3, re.escape(refused) + r":2: .*'ERR'(.|\n)*\nError: 13, Type mismatch: '' in row 2, column 8", None, None),
]
for name, args, code, stderr, written, content in cases:
    r = run(*args)
    ok = r.returncode == code and re.search(stderr, r.stderr) and not r.stdout
    if written:
        ok = ok and os.path.exists(out(written)) and content(out(written))
    check(name, bool(ok), r)
check("nothing but the reports in the folder",
      sorted(f for f in os.listdir(work) if not f.endswith(".yrp")) == ["b.csv", "e.csv", "once.csv", "p.pdf",
                                                                          "w.xlsx"])
umask = os.umask(0)
os.umask(umask)
check("reports readable as any new file is (the umask's permissions)",
      all(os.stat(out(f)).st_mode & 0o777 == 0o666 & ~umask for f in ("b.csv", "p.pdf", "w.xlsx")))
check("the database beside the program untouched", digest() == before)
# A copy of the program running on the database beside it listens here; a
# report is never handed to it (it would then end without writing).
name = "corvane-yield-%d-" % os.getuid() + hashlib.sha256(
    b"%d\n" % os.getuid() + os.path.realpath(template).encode()).hexdigest()[:24]
place = os.path.join(os.environ.get("TMPDIR", "/tmp"), name)
probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
if os.path.exists(place) and probe.connect_ex(place) != 0:
    os.unlink(place)  # left by a copy that ended without removing it
probe.close()
listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
try:
    listener.bind(place)
    listener.listen(1)
    listener.setblocking(False)
    r = run("--report", out("h.csv"), *files)
    try:
        listener.accept()
        asked = True
    except BlockingIOError:
        asked = False
    check("a running copy is not asked", r.returncode == 0 and os.path.exists(out("h.csv")) and not asked, r)
    os.unlink(place)
except OSError:
    check("a running copy is not asked (skipped: a real copy runs on this database)", True)
finally:
    listener.close()
r = run("--help")
check("--help lists the report's options",
      r.returncode == 0 and all(o in r.stdout for o in ("--report <file>", "--material", "--supplier", "--width",
                                                         "--from <date>", "--to <date>", "--group-by <grouping>")), r)
shutil.rmtree(work)
print(f"{len(cases) + 5 - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
