// Tests of "lumenfoldi render", running the program itself: every example
// gives its pages with their texts, outputs by extension, page lists, and
// failures that leave nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <sstream>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include "apps/cli_run.h"
#include "apps/page_images.h"
#include "engine/output/emf_pages.h"
#include "engine/run/globals.h"
#include "platform/code_page.h"
#include "platform/stream.h"
#include "net/tls_server.h"
#include "pdf/pdf_tools.h"
#include "platform/small_disk.h"

namespace lf {
namespace {

using test::CliRun;

class RenderCli : public test::CliTest {
 protected:
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

  static std::string Example(const std::string& name) {
    std::string dir = LF_SOURCE_DIR "/examples/" + name;
    return "'" + dir + "/template.frf," + dir + "/data.json'";
  }

  // A template built from its text form into dir/NAME.frf.
  std::string Template(const std::string& name, const std::string& text) {
    Write(name + ".json", text);
    CliRun r = Cli("template build '" + Path(name + ".json") + "' -o '" + Path(name + ".frf") + "'");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return Path(name + ".frf");
  }

  // The texts of each page of a prepared-report file, joined by "|".
  static std::vector<std::string> PageTexts(const std::string& frp) {
    TfrEMFPages pages(nullptr);
    TFileStream file(frp, FileMode::OpenRead);
    pages.ReadFromStream(&file);
    std::vector<std::string> out;
    for (int i = 0; i < pages.Count(); ++i) {
      pages.LoadPage(i);
      std::string text;
      for (auto& obj : pages.PageAt(i).Page->Objects)
        for (const std::string& line : obj->Memo) text += HostToUtf8(line) + "|";
      pages.PageAt(i).Page.reset();
      out.push_back(text);
    }
    return out;
  }
};

// Example folders use dashes; test names cannot.
std::string FolderOf(std::string name) {
  std::replace(name.begin(), name.end(), '_', '-');
  return name;
}

struct ExampleCase {
  const char* name;
  // Texts that must stand on each page, in page order and, on a page, in
  // the order the page holds them.
  std::vector<std::vector<std::string>> pages;
};
void PrintTo(const ExampleCase& c, std::ostream* os) { *os << c.name; }

class RenderExamples : public RenderCli, public testing::WithParamInterface<ExampleCase> {};

TEST_P(RenderExamples, GiveTheirPagesAndTexts) {
  const ExampleCase& c = GetParam();
  // The expected texts show numbers with the C conventions' decimal point.
  CliRun r = Cli("render -o '" + Path("out.frp") + "' " + Example(FolderOf(c.name)), "LC_ALL=C.UTF-8");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, std::to_string(c.pages.size()) + " pages written to " + Path("out.frp") + "\n");
  std::vector<std::string> pages = PageTexts(Path("out.frp"));
  ASSERT_EQ(pages.size(), c.pages.size());
  for (size_t i = 0; i < pages.size(); ++i) {
    size_t from = 0;
    for (const std::string& text : c.pages[i]) {
      size_t at = pages[i].find(text + "|", from);
      EXPECT_NE(at, std::string::npos) << c.name << " page " << i + 1 << ": " << text << " after byte " << from;
      if (at != std::string::npos) from = at + text.size();
    }
  }
}

// Text without its white space: PDF text extraction lays lines out anew.
std::string Squeezed(const std::string& text) {
  std::string out;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) out += c;
  return out;
}

// The PDF as a reader sees it: the PDF tools accept it, every font is an
// embedded subset that maps back to characters, each page gives its texts
// and looks like the PNG page of the same prepared report.
TEST_P(RenderExamples, GiveAPdfThatReadsAndLooksLikeThePngPages) {
  const ExampleCase& c = GetParam();
  ASSERT_EQ(Cli("render -o '" + Path("out.frp") + "' " + Example(FolderOf(c.name)), "LC_ALL=C.UTF-8").exitCode, 0);
  CliRun r = Cli("render -o '" + Path("out.pdf") + "' '" + Path("out.frp") + "'");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_EQ(Cli("render -o '" + Path("out.png") + "' '" + Path("out.frp") + "'").exitCode, 0);
  const std::string pdf = "'" + Path("out.pdf") + "'";
  test::ToolRun check = test::RunTool("qpdf --check " + pdf);
  EXPECT_EQ(check.exitCode, 0) << check.out;
  test::ToolRun fonts = test::RunTool("pdffonts " + pdf);
  ASSERT_EQ(fonts.exitCode, 0) << fonts.out;
  std::istringstream lines(fonts.out);
  std::string line;
  for (int n = 0; std::getline(lines, line); ++n)
    if (n >= 2) {
      EXPECT_NE(line.find("yes yes yes"), std::string::npos) << line;
    }
  for (size_t page = 0; page < c.pages.size(); ++page) {
    const std::string number = std::to_string(page + 1);
    test::ToolRun text = test::RunTool("pdftotext -f " + number + " -l " + number + " " + pdf + " -");
    for (const std::string& expected : c.pages[page])
      EXPECT_NE(Squeezed(text.out).find(Squeezed(expected)), std::string::npos)
          << c.name << " page " << number << ": " << expected << " in\n" << text.out;
    test::ToolRun raster = test::RunTool("pdftoppm -r 96 -png -f " + number + " -l " + number + " " +
                                         pdf + " '" + Path("pdf") + "'");
    ASSERT_EQ(raster.exitCode, 0) << raster.out;
    // pdftoppm numbers its pages with as many digits as the document needs.
    QImage fromPdf(QString::fromStdString(Path("pdf-" + number + ".png")));
    if (fromPdf.isNull()) fromPdf.load(QString::fromStdString(Path("pdf-0" + number + ".png")));
    const QImage fromPng(QString::fromStdString(Path("out-" + number + ".png")));
    ASSERT_FALSE(fromPdf.isNull());
    ASSERT_FALSE(fromPng.isNull());
    EXPECT_NEAR(fromPdf.width(), fromPng.width(), 1);
    EXPECT_NEAR(fromPdf.height(), fromPng.height(), 1);
    EXPECT_LE(test::InkMismatch(fromPdf, fromPng), test::kInkTolerance) << c.name << " page " << number;
  }
}

INSTANTIATE_TEST_SUITE_P(
    RenderCli, RenderExamples,
    testing::Values(
        ExampleCase{"invoice",
                    {{"INVOICE", "No. INV-2026-0101", "上海明远贸易有限公司", "Total due", "Page 1"},
                     {"Page 2"},
                     {"Page 3"}}},
        ExampleCase{"page_n_of_m", {{"Гайка М10", "Page 1 of 3"}, {"Page 2 of 3"}, {"Page 3 of 3"}}},
        ExampleCase{"grouped_list",
                    {{"Engineering", "Иван Петров", "王伟", "Employees: 3", "Total: 18100",
                      "All departments: 47300"}}},
        ExampleCase{"address_labels", {{"Dr. Helen Fischer", "Алексей Кузнецов", "张敏"}}},
        ExampleCase{"cross_table",
                    {{"Region", "Jan–Mar", "Apr–Jun", "120400", "West / 西部"},
                     {"Region", "Jul–Sep", "Oct–Dec", "142300", "West / 西部"}}},
        // Each project lists its own tasks only.
        ExampleCase{"sub_report",
                    {{"Harbour bridge inspection", "Task", "Survey", "结构检测", "Final report",
                      "Реконструкция склада №3", "Task", "Подготовка площадки", "Замена кровли"}}},
        ExampleCase{"pictures_and_lines",
                    {{"Lumen Optics — product sheet", "Каталог оптики · 光学产品目录", "Item", "LO-100",
                      "Лупа настольная с подсветкой", "便携式放大镜 (portable magnifier)", "129.00",
                      "Items: 6   Sum: 218.55", "Page 1"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RenderCli, PngPagesAreNumberedByPageAndFollowThePageList) {
  CliRun r = Cli("render --pages 2-3 --dpi 30 -o '" + Path("list.png") + "' " + Example(FolderOf("page_n_of_m")));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "2 pages written to " + Path("list.png") + "\n");
  EXPECT_FALSE(Exists("list-1.png"));
  EXPECT_TRUE(Exists("list-2.png"));
  EXPECT_TRUE(Exists("list-3.png"));
  EXPECT_EQ(Slurp(Path("list-2.png")).substr(1, 3), "PNG");
}

// Output images are limited in pixels; a page beyond it is refused by
// number before any file is written.
TEST_F(RenderCli, PngPagesBeyondThePixelLimitAreRefused) {
  auto paper = [&](int tenthsMm) {
    return Template("paper" + std::to_string(tenthsMm), R"({"Version": 25, "Pages": [{"Name": "Page1", "PaperCode": 256, "WidthDmm": )" +
                    std::to_string(tenthsMm) + R"(, "HeightDmm": )" + std::to_string(tenthsMm) + R"(, "Objects": [
      {"TypeCode": 0, "Name": "Memo1", "Left": 20, "Top": 20, "Width": 100, "Height": 20, "Memo": ["x"]}]}]})");
  };
  // 3240 mm at 96 dpi: 12246 x 12246 pixels; 3260 mm: 12321 x 12321.
  std::string data = LF_SOURCE_DIR "/examples/invoice/data.json";
  CliRun r = Cli("render --dpi 96 -o '" + Path("big.png") + "' '" + paper(32600) + "," + data + "'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "lumenfoldi render: page 1 would be an image of 12321 x 12321 pixels at 96 dpi, more than "
                   "150000000; choose a lower --dpi\n");
  EXPECT_FALSE(Exists("big-1.png"));
  r = Cli("render --dpi 96 -o '" + Path("big.png") + "' '" + paper(32400) + "," + data + "'");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Exists("big-1.png"));
}

TEST_F(RenderCli, ProgressNamesEachPassAndPageOnce) {
  CliRun r = Cli("render --progress -o '" + Path("p.frp") + "' " + Example(FolderOf("page_n_of_m")));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err,
            "Performing 1st pass: 1\nPerforming 1st pass: 2\nPerforming 1st pass: 3\n"
            "Processing page: 1 from 3\nProcessing page: 2 from 3\nProcessing page: 3 from 3\n"
            "3 pages written to " + Path("p.frp") + "\n");
}

TEST_F(RenderCli, PreparedReportRendersAgainAsPdf) {
  ASSERT_EQ(Cli("render -o '" + Path("inv.frp") + "' " + Example("invoice")).exitCode, 0);
  CliRun r = Cli("render -o '" + Path("inv.pdf") + "' '" + Path("inv.frp") + "'");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "3 pages written to " + Path("inv.pdf") + "\n");
  EXPECT_EQ(Slurp(Path("inv.pdf")).substr(0, 5), "%PDF-");
}

TEST_F(RenderCli, FailuresExitOneAndWriteNothing) {
  std::string data = LF_SOURCE_DIR "/examples/invoice/data.json";
  std::string empty = Template("empty", R"({"Version": 25, "Pages": []})");
  std::string bad = Template("bad", R"({"Version": 25, "Pages": [{"Name": "Page1", "Objects": [
      {"TypeCode": 2, "Name": "Title", "FrameTyp": 0, "Top": 20, "Height": 20},
      {"TypeCode": 0, "Name": "Broken", "Top": 20, "Width": 100, "Height": 20, "Memo": ["[NOSUCHNAME]"]}]}]})");
  struct Case {
    std::string args, err;
  } cases[] = {
      {"'" + bad + "," + Path("missing.json") + "'", "错误: 加载数据失败,错误号0\n"},
      {"'" + Path("missing.frf") + "," + data + "'", "错误: 加载报告格式失败,错误号0\n"},
      {"'" + empty + "," + data + "'", "The report has no pages\n"},
      {"'" + bad + "," + data + "'", "Error: An error occured during calculating"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(Path("out.pdf"));
    CliRun r = Cli("render -o '" + Path("out.pdf") + "' " + c.args);
    EXPECT_EQ(r.exitCode, 1) << c.args;
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args;
    EXPECT_FALSE(Exists("out.pdf")) << c.args;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
      EXPECT_NE(e.path().filename().string().substr(0, 7), "out.pdf") << c.args;
  }
}

TEST_F(RenderCli, TimeoutStopsTheRunWithExitTwoAndWritesNothing) {
  // Ten million rows of text: far more than half a second of work.
  std::string data = LF_SOURCE_DIR "/examples/invoice/data.json";
  std::string endless = Template("endless", R"({"Version": 25, "Pages": [{"Name": "Page1", "Objects": [
      {"TypeCode": 2, "Name": "Rows", "FrameTyp": 5, "FormatStr": "10000000", "Top": 20, "Height": 20},
      {"TypeCode": 0, "Name": "Row", "Top": 20, "Width": 100, "Height": 20, "Memo": ["[LINE#]"]}]}]})");
  CliRun r = Cli("render --timeout 0.5 -o '" + Path("out.pdf") + "' '" + endless + "," + data + "'");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "The preparation took longer than 0.5 seconds and was stopped; nothing was written\n");
  EXPECT_FALSE(Exists("out.pdf"));
  for (const char* refused : {"0", "2073600.5"})
    EXPECT_EQ(Cli("render --timeout " + std::string(refused) + " -o '" + Path("out.pdf") + "' '" + endless + "," +
                  data + "'").err,
              "lumenfoldi render: --timeout needs a number of seconds above 0 and at most 2073600\n");
}

// A full disk fails every kind of output with the system's message and keeps
// the file that was there.
TEST_F(RenderCli, FullDiskFailsAndKeepsTheEarlierFile) {
  test::SmallDisk disk("lf_render_full");
  if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
  for (const char* name : {"out.pdf", "out.frp", "out-1.png"}) {
    std::ofstream(disk.Path(name)) << "good";
    std::string out = std::string(name) == "out-1.png" ? disk.Path("out.png") : disk.Path(name);
    CliRun r = Cli("render --dpi 200 -o '" + out + "' " + Example("pictures-and-lines"));
    EXPECT_EQ(r.exitCode, 1) << name;
    EXPECT_EQ(r.err, "lumenfoldi render: cannot write '" + disk.Path(name) + "': No space left on device\n") << name;
    EXPECT_EQ(Slurp(disk.Path(name)), "good") << name;
    EXPECT_EQ(disk.Names(), name);
    std::filesystem::remove(disk.Path(name));
  }
}

// The output never goes through a name someone could have planted: a link
// or file at OUT.tmp is left as it was.
TEST_F(RenderCli, PlantedTemporaryNamesAreLeftAlone) {
  Write("victim", "precious");
  std::filesystem::create_symlink(Path("victim"), Path("out.pdf.tmp"));
  Write("out.frp.tmp", "mine");
  ASSERT_EQ(Cli("render -o '" + Path("out.pdf") + "' " + Example("invoice")).exitCode, 0);
  ASSERT_EQ(Cli("render -o '" + Path("out.frp") + "' " + Example("invoice")).exitCode, 0);
  EXPECT_EQ(Slurp(Path("victim")), "precious");
  EXPECT_EQ(Slurp(Path("out.frp.tmp")), "mine");
  EXPECT_EQ(Slurp(Path("out.pdf")).substr(0, 5), "%PDF-");
}

// The program fetches both addresses over TLS, trusting the test server's
// certificate through SSL_CERT_FILE; the server serves from this thread, so
// the program runs beside the event loop.
TEST_F(RenderCli, FetchesTemplateAndDataOverHttps) {
  auto reply = [](const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  };
  std::string dir = LF_SOURCE_DIR "/examples/sub-report/";
  test::TlsServer server({reply(Slurp(dir + "data.json")), reply(Slurp(dir + "template.frf"))});
  ASSERT_TRUE(server.Ready());
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("SSL_CERT_FILE", test::TlsTestFile("server.crt"));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  cli.setProcessEnvironment(env);
  cli.start(LF_CLI_PATH, {"render", "-o", QString::fromStdString(Path("tasks.frp")),
                          QString::fromStdString(server.Base() + "/tasks.frf," + server.Base() + "/tasks.json")});
  QDeadlineTimer deadline(60000);
  while (cli.state() != QProcess::NotRunning && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    cli.waitForFinished(10);
  }
  ASSERT_EQ(cli.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[0].substr(0, 20), "GET /tasks.json HTTP");
  EXPECT_EQ(server.Requests()[1].substr(0, 19), "GET /tasks.frf HTTP");
  std::vector<std::string> pages = PageTexts(Path("tasks.frp"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].find("Замена кровли|"), std::string::npos);
}

}  // namespace
}  // namespace lf
