// Benchmark: JSON parse (UTF-8 bytes and UTF-16 text), compact write, and
// data text to record tables on a generated ~20 MB data text of three arrays,
// with nlohmann::json side by side.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "data/data_tables.h"
#include "data/json_parser.h"
#include "data/json_writer.h"
#include "platform/code_page.h"

#include <nlohmann/json.hpp>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// One array of objects with 8 members: strings (some non-ASCII), an
// integer, a currency, a double, a boolean and a null.
std::string MakeArray(int table, size_t rows, std::mt19937& rng) {
  static const char* const names[] = {"Zhang Wei", "\xE7\x8E\x8B\xE8\x8A\xB3", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD \xD0\x9F\xD0\xB5\xD1\x82\xD1\x80\xD0\xBE\xD0\xB2",
                                      "Emma Clarke", "\xE6\x9D\x8E\xE5\xA8\x9C", "O'Brien \\\"Jr\\\""};
  static const char* const cities[] = {"\xE4\xB8\x8A\xE6\xB5\xB7", "Bristol", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", "Lyon", "\xE5\x8C\x97\xE4\xBA\xAC"};
  std::uniform_int_distribution<int> pick(0, 1 << 30);
  std::string out = "[\n";
  char buf[512];
  for (size_t r = 0; r < rows; ++r) {
    int v = pick(rng);
    std::snprintf(buf, sizeof buf,
                  "{\"id\":%zu,\"name\":\"%s\",\"city\":\"%s\",\"code\":\"T%d-%08d/x\",\"amount\":%d.%02d,"
                  "\"ratio\":%d.%06d,\"active\":%s,\"note\":null}%s\n",
                  r + 1, names[v % 6], cities[(v >> 3) % 5], table, v % 100000000, v % 100000, v % 100, v % 1000,
                  v % 1000000, (v & 1) ? "true" : "false", r + 1 < rows ? "," : "");
    out += buf;
  }
  out += "]\n";
  return out;
}

}  // namespace

int main() {
  lf::SetHostCodePage("UTF-8");
  std::mt19937 rng(42);
  std::vector<std::string> arrays;
  std::string text;
  size_t rows = 0;
  for (int t = 0; t < 3; ++t) {
    size_t n = t == 0 ? 60000 : 40000;
    arrays.push_back(MakeArray(t, n, rng));
    text += arrays.back();
    rows += n;
  }
  while (text.size() < 20u * 1000 * 1000) {  // top the last array up to about 20 MB
    size_t n = 5000;
    std::string more = MakeArray(2, n, rng);
    arrays[2].pop_back();
    arrays[2].pop_back();
    arrays[2].pop_back();  // "\n]\n"
    arrays[2] += ",\n" + more.substr(2);
    rows += n;
    text.clear();
    for (const auto& a : arrays) text += a;
  }
  const double mb = static_cast<double>(text.size()) / 1e6;
  std::printf("data text: %.1f MB, 3 arrays, %zu rows\n", mb, rows);

  // Best of three, in processor time of this process (the figures then do
  // not depend on how busy the machine is); wall time is printed as well.
  const int reps = 3;
  double wall = 0;
  auto best = [&](auto&& run) {
    double b = 1e9;
    wall = 1e9;
    for (int i = 0; i < reps; ++i) {
      auto t0 = Clock::now();
      std::clock_t c0 = std::clock();
      run();
      b = std::min(b, static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC);
      wall = std::min(wall, Seconds(t0, Clock::now()));
    }
    return b;
  };
  std::vector<double> walls;

  std::vector<lf::IJsonValue> values(3);
  double parse8 = best([&] {
    for (size_t i = 0; i < 3; ++i) values[i] = lf::ParseUtf8Text(arrays[i]);
  });
  walls.push_back(wall);
  for (const auto& v : values)
    if (!v) std::printf("parse failed\n");
  std::vector<std::u16string> wide;
  for (const auto& a : arrays) wide.push_back(lf::Utf8ToUtf16(a));
  double parse16 = best([&] {
    for (size_t i = 0; i < 3; ++i) values[i] = lf::ParseText(wide[i]);
  });
  walls.push_back(wall);
  size_t written = 0;
  double write = best([&] {
    written = 0;
    for (const auto& v : values) written += lf::WriteText(v).size();
  });
  walls.push_back(wall);
  double tables = best([&] {
    lf::TComponent owner;
    std::vector<lf::TClientDataSet*> list;
    lf::LoadDataTables(text, owner, list);
  });
  walls.push_back(wall);

  std::printf("                          cpu ms  (wall ms)\n");
  std::printf("ParseText (UTF-8 bytes)   %7.1f (%7.1f)  %7.1f MB/s\n", parse8 * 1e3, walls[0] * 1e3, mb / parse8);
  std::printf("ParseText (UTF-16 text)   %7.1f (%7.1f)  %7.1f MB/s\n", parse16 * 1e3, walls[1] * 1e3, mb / parse16);
  std::printf("WriteText                 %7.1f (%7.1f)  %7.1f MB/s (%zu code units)\n", write * 1e3, walls[2] * 1e3,
              mb / write, written);
  std::printf("data text -> tables       %7.1f (%7.1f)  %7.2f M rows/s\n", tables * 1e3, walls[3] * 1e3,
              rows / tables / 1e6);
  std::vector<nlohmann::json> docs(3);
  double nparse = best([&] {
    for (size_t i = 0; i < 3; ++i) docs[i] = nlohmann::json::parse(arrays[i]);
  });
  walls.push_back(wall);
  size_t dumped = 0;
  double ndump = best([&] {
    dumped = 0;
    for (const auto& d : docs) dumped += d.dump().size();
  });
  walls.push_back(wall);
  std::printf("nlohmann::json::parse     %7.1f (%7.1f)  %7.1f MB/s\n", nparse * 1e3, walls[4] * 1e3, mb / nparse);
  std::printf("nlohmann::json::dump      %7.1f (%7.1f)  %7.1f MB/s\n", ndump * 1e3, walls[5] * 1e3, mb / ndump);
  std::printf("ratio parse nlohmann/ParseText: UTF-8 %.2f, UTF-16 %.2f\n", nparse / parse8, nparse / parse16);
  return 0;
}
