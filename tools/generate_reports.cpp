// Writes yield report files with plausible boards, reproducibly from a seed:
//   generate_reports --out DIR [--lines N] [--files F] [--seed S]
//                    [--bad-every K] [--prefix NAME]
// Lines are split evenly over the files (NAME01.yrp, NAME02.yrp, ...), with
// CR LF endings. Each board satisfies parts cut <= net <= board length and
// clear <= net, and its percentages agree with its lengths. With --bad-every
// K, every K-th line is malformed in one of a few ways (short line, refused
// number, impossible date), for tests of what an import keeps.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

const char* kOperators[] = {"Ann", "Ben", "Carla", "Dmitri", "Eve", "Farid"};
const char* kSuppliers[] = {"Acme Lumber", "Birch & Sons", "Northwood", "Timberline", "Valley Mills"};
const char* kTypes[] = {"RIP", "XCUT", "MOULD"};
const char* kMaterials[] = {"Ash", "Cherry", "Hard Maple", "Red Oak", "Soft Maple", "Walnut", "White Oak"};
const double kWidths[] = {2.5, 3, 3.5, 4, 4.5, 5, 6, 8};

struct Options {
  std::string out;
  long long lines = 1000;
  int files = 1;
  unsigned seed = 1;
  long long badEvery = 0;
  std::string prefix = "yield";
};

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return false;
    const char* v = argv[++i];
    if (a == "--out")
      o.out = v;
    else if (a == "--lines")
      o.lines = std::atoll(v);
    else if (a == "--files")
      o.files = std::atoi(v);
    else if (a == "--seed")
      o.seed = unsigned(std::strtoul(v, nullptr, 10));
    else if (a == "--bad-every")
      o.badEvery = std::atoll(v);
    else if (a == "--prefix")
      o.prefix = v;
    else
      return false;
  }
  return !o.out.empty() && o.lines >= 0 && o.files >= 1;
}

void civil(int dayOfYear2024, int& m, int& d) {
  static const int len[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  m = 0;
  while (dayOfYear2024 >= len[m]) dayOfYear2024 -= len[m++];
  ++m;
  d = dayOfYear2024 + 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: generate_reports --out DIR [--lines N] [--files F] [--seed S] [--bad-every K] "
                 "[--prefix NAME]\n");
    return 2;
  }
  std::mt19937_64 rng(o.seed);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng)); };
  auto cents = [](double v) { return double((long long)(v * 100 + 0.5)) / 100; };

  std::error_code made;
  std::filesystem::create_directories(o.out, made);  // a new folder is the usual case
  if (made) {
    std::fprintf(stderr, "%s: %s\n", o.out.c_str(), made.message().c_str());
    return 1;
  }
  long long written = 0;
  for (int f = 0; f < o.files; ++f) {
    const long long count = o.lines / o.files + (f < o.lines % o.files ? 1 : 0);
    char name[64];
    std::snprintf(name, sizeof name, "%02d.yrp", f + 1);
    const std::string path = o.out + "/" + o.prefix + name;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
      std::perror(path.c_str());
      return 1;
    }
    std::vector<char> buffer(1 << 20);
    std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());
    // Each file covers a stretch of the year, in time order.
    const int firstDay = int((366LL * f) / o.files);
    const int days = std::max(1, int((366LL * (f + 1)) / o.files) - firstDay);
    for (long long i = 0; i < count; ++i, ++written) {
      int m, d;
      civil(firstDay + int((i * days) / std::max(1LL, count)), m, d);
      const int seconds = 6 * 3600 + pick(16 * 3600);
      const double board = cents(uniform(48, 192));
      const double net = cents(board * uniform(0.90, 1.0));
      const double clear = cents(net * uniform(0.55, 1.0));
      const double parts = cents(std::min(net, clear + (net - clear) * uniform(0, 0.6)));
      const double total = cents(parts * 100 / board);
      const double clearPer = cents(clear * 100 / net);
      const double clearYield = cents(parts * 100 / clear);
      char line[512];
      int n = std::snprintf(
          line, sizeof line, "2024-%02d-%02d,%02d:%02d:%02d,%s,%s,%s,%s,%g,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f", m, d,
          seconds / 3600, seconds / 60 % 60, seconds % 60, kOperators[pick(6)], kSuppliers[pick(5)], kTypes[pick(3)],
          kMaterials[pick(7)], kWidths[pick(8)], board, parts, total, net, clear, clearPer, clearYield);
      if (o.badEvery > 0 && (written + 1) % o.badEvery == 0) {
        switch ((written / o.badEvery) % 3) {
          case 0:
            n = std::snprintf(line, sizeof line, "2024-%02d-%02d,%02d:00:00,%s,short line", m, d, seconds / 3600,
                              kOperators[0]);
            break;
          case 1: {  // a board length the number column refuses
            char* p = line;
            for (int c = 0; c < 7; ++c) p = std::strchr(p, ',') + 1;
            *p = 'L';
            break;
          }
          case 2: std::memcpy(line, "2024-02-30", 10); break;
        }
      }
      line[n] = '\r';
      line[n + 1] = '\n';
      std::fwrite(line, 1, size_t(n + 2), out);
    }
    if (std::fclose(out) != 0) {
      std::perror(path.c_str());
      return 1;
    }
  }
  return 0;
}
