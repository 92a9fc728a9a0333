// Expression speed: evaluations per second of a field expression against a
// record table through the report's value chain, of the same expression with
// a plain callback, and postfix conversions per second.
#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/data_tables.h"
#include "engine/run/globals.h"
#include "engine/expr/parser.h"
#include "engine/model/report.h"
#include "engine/functions/report_values.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  using namespace lf;
  const int rows = 1000;
  std::string data = "[";
  for (int i = 0; i < rows; ++i)
    data += std::string(i ? "," : "") + "{\"amount\":\"" + std::to_string(i) + ".25\",\"name\":\"n" +
            std::to_string(i) + "\"}";
  data += "]";

  TComponent owner;
  TfrReport* report = TComponent::Create<TfrReport>(&owner, "frReport1");
  std::vector<TClientDataSet*> tables;
  LoadDataTables(data, owner, tables);
  TfrParser& parser = SharedParser();
  AttachReport(parser, *report);

  const std::string expressions[] = {"[cds0.amount] * 1.2 + 3", "cds0.amount * 1.2 + 3"};
  for (const std::string& e : expressions) {
    const int passes = 50;
    double sum = 0;
    auto start = Clock::now();
    for (int p = 0; p < passes; ++p)
      for (tables[0]->First(); !tables[0]->Eof(); tables[0]->Next()) sum += parser.Evaluate(e).AsDouble();
    double s = Seconds(start);
    std::printf("report field  %-26s %10.0f evaluations/s (checksum %.2f)\n", e.c_str(),
                passes * rows / s, sum);
  }

  TfrParser plain;
  plain.ValueCallback = [](const std::string&, Variant& v) { v = Variant(10.25); };
  {
    const int n = 500000;
    double sum = 0;
    auto start = Clock::now();
    for (int i = 0; i < n; ++i) sum += plain.Evaluate("[amount] * 1.2 + 3").AsDouble();
    std::printf("plain callback %-25s %10.0f evaluations/s (checksum %.0f)\n",
                "[amount] * 1.2 + 3", n / Seconds(start), sum);
    std::string postfix = plain.ToPostfix("[amount] * 1.2 + 3");
    start = Clock::now();
    for (int i = 0; i < n; ++i) sum += plain.EvaluatePostfix(postfix).AsDouble();
    std::printf("plain callback %-25s %10.0f postfix evaluations/s\n", "(stored postfix)",
                n / Seconds(start));
  }
  {
    const std::string sources[] = {"[cds0.amount] * 1.2 + 3",
                                   "IF(cds0.amount > 100, 'big', COPY(cds0.name, 1, 3)) + STR(PAGE#)"};
    for (const std::string& src : sources) {
      const int n = 500000;
      size_t total = 0;
      auto start = Clock::now();
      for (int i = 0; i < n; ++i) total += plain.ToPostfix(src).size();
      std::printf("ToPostfix %-64s %10.0f conversions/s (%zu bytes)\n", src.c_str(),
                  n / Seconds(start), total);
    }
  }
  parser.ValueCallback = nullptr;
  parser.FunctionCallback = nullptr;
  DestroyGlobals();
  return 0;
}
