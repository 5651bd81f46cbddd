// Builds a fresh report database file from a schema file:
//   make_database <schema.sql> <output.mdb>
// The build runs it so that the template database stands beside the program.
// The schema's PRAGMA user_version lands in the file with the rest; a schema
// without one is refused, since a user's copy is told from an older one by it.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_database <schema.sql> <output.mdb>\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream schema;
  schema << in.rdbuf();
  const std::string tmp = std::string(argv[2]) + ".tmp";
  std::remove(tmp.c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open(tmp.c_str(), &db) != SQLITE_OK) {
    std::fprintf(stderr, "cannot create %s: %s\n", tmp.c_str(), sqlite3_errmsg(db));
    return 1;
  }
  char* err = nullptr;
  if (sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::fprintf(stderr, "schema failed: %s\n", err ? err : "?");
    sqlite3_close(db);
    return 1;
  }
  sqlite3_stmt* version = nullptr;
  const bool versioned = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr) == SQLITE_OK &&
                         sqlite3_step(version) == SQLITE_ROW && sqlite3_column_int(version, 0) > 0;
  sqlite3_finalize(version);
  sqlite3_close(db);
  if (!versioned) {
    std::fprintf(stderr, "%s sets no PRAGMA user_version above 0\n", argv[1]);
    std::remove(tmp.c_str());
    return 1;
  }
  if (std::rename(tmp.c_str(), argv[2]) != 0) {
    std::perror("rename");
    return 1;
  }
  return 0;
}
