-- The report database the program expects beside its executable. The column
-- order matters: the record grid shows the columns in this order and the
-- summary reads board, net and clear length and parts cut by position
-- (grid columns 8, 9, 10 and 12). store/YieldColumns.h names the columns in
-- this order for the code; tst_store checks the two agree.
-- Large pages: a year of boards is a million rows, and emptying the table
-- before an import frees every page one by one.
PRAGMA page_size = 65536;
-- The schema's version: raise it with any change below. A user's copy of the
-- installed template with another version is made again from the template at
-- start (store/DatabaseCopyCheck.cpp).
PRAGMA user_version = 1;

CREATE TABLE tblYieldReport (
  JobName        TEXT,
  BDate          DATE,
  Btime          TEXT,
  Operator       TEXT,
  Supplier       TEXT,
  Material       TEXT,
  Width          NUMBER,
  BoardLength    NUMBER,
  NetBoardLength NUMBER,
  ClearLength    NUMBER,
  ClearPer       NUMBER,
  LengthPartsCut NUMBER,
  TotalYieldPer  NUMBER,
  ClearYieldPer  NUMBER,
  Type           TEXT
);
