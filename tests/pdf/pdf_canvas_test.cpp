// The PDF canvas checked as a user would check its documents: the tools
// read them without complaint, give the texts back in every script, show
// the fonts embedded as subsets, each picture stored once, links and the
// document's information.
#include "pdf/pdf_canvas.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "pdf/pdf_object_writer.h"
#include "pdf/pdf_tools.h"
#include "platform/code_page.h"
#include "platform/output_file.h"

namespace lf {
namespace {

using test::RunTool;

// A4 at 600 dots per inch.
constexpr int32_t kWidth = 4961, kHeight = 7016;

class PdfCanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("lf_pdf_canvas_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "out.pdf").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Draws pages with draw(canvas, page) into out.pdf.
  template <typename Draw>
  void Write(int pages, Draw draw, const PdfDocumentInfo& info = {}) {
    OutputFile file(path_);
    PdfCanvas pdf(file, info);
    for (int i = 0; i < pages; ++i) {
      pdf.BeginPage(kWidth, kHeight);
      draw(pdf, i);
      pdf.EndPage();
    }
    pdf.Finish();
    file.Commit();
  }
  std::string Tool(const std::string& name, const std::string& args = "") {
    test::ToolRun r = RunTool(name + " " + args + " '" + path_ + "'" +
                              (name == "pdftotext" ? " -" : ""));
    EXPECT_EQ(r.exitCode, 0) << name << ": " << r.out;
    return r.out;
  }
  std::string Bytes() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void Text(PdfCanvas& pdf, int32_t y, const std::string& utf8, CanvasFont font = {}) {
    font.PixelHeight = 83;  // 10 points
    pdf.SetFont(font);
    pdf.TextOut(300, y, Utf8ToHost(utf8), TextOutOptions{});
  }

  std::filesystem::path dir_;
  std::string path_;
};

TEST_F(PdfCanvasTest, TextsComeBackInEveryScriptFromEmbeddedSubsets) {
  Write(2, [](PdfCanvas& pdf, int page) {
    Text(pdf, 300, page == 0 ? "Invoice 12.50 total" : "Second page");
    Text(pdf, 500, "Счёт на оплату");
    CanvasFont song;
    song.Name = Utf8ToHost("宋体");
    song.Charset = 134;
    Text(pdf, 700, "中文报表 mixed", song);
    CanvasFont bold;
    bold.Style = fsBold | fsUnderline;
    Text(pdf, 900, "Bold underlined", bold);
    CanvasFont up;
    up.Orientation = 900;
    Text(pdf, 3000, "Upwards", up);
  });
  Tool("qpdf", "--check");
  const std::string text = Tool("pdftotext", "-layout");
  for (const char* expected : {"Invoice 12.50 total", "Second page", "Счёт на оплату", "中文报表 mixed",
                               "Bold underlined", "Upwards"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
  // name type encoding emb sub uni: every font embedded as a subset with
  // its map back to characters.
  const std::string fonts = Tool("pdffonts");
  EXPECT_NE(fonts.find("LiberationSans "), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("LiberationSans-Bold"), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("NotoSerifCJK"), std::string::npos) << fonts;
  int lines = 0;
  for (size_t at = fonts.find('\n', fonts.find("-----")); at != std::string::npos && at + 1 < fonts.size();
       at = fonts.find('\n', at + 1)) {
    const std::string line = fonts.substr(at + 1, fonts.find('\n', at + 1) - at - 1);
    if (line.empty()) continue;
    ++lines;
    EXPECT_NE(line.find("yes yes yes"), std::string::npos) << line;
    EXPECT_EQ(line[6], '+') << line;
  }
  EXPECT_GE(lines, 3);
  // The subset holds only what the pages use: far below the font files.
  EXPECT_LT(Bytes().size(), 200000u);
}

TEST_F(PdfCanvasTest, APictureShownOnManyPagesIsStoredOnce) {
  QImage opaque(40, 30, QImage::Format_RGB32);
  opaque.fill(QColor(200, 30, 30));
  opaque.setPixelColor(0, 0, QColor(0, 0, 0));
  QImage seeThrough(20, 20, QImage::Format_ARGB32);
  seeThrough.fill(QColor(0, 0, 255, 100));
  QImage photo(64, 48, QImage::Format_RGB32);
  photo.fill(QColor(10, 150, 10));
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(photo.save(&buffer, "JPEG"));
  const std::string jpegBytes(jpeg.constData(), static_cast<size_t>(jpeg.size()));
  Write(3, [&](PdfCanvas& pdf, int page) {
    // A fresh copy on every page, as pages decode their pictures anew.
    pdf.DrawImage(CanvasRect{100, 100, 500, 400}, opaque.copy());
    pdf.DrawImage(CanvasRect{600, 100, 800, 300}, seeThrough.copy());
    pdf.DrawJpeg(CanvasRect{100, 500, 740, 980}, photo, jpegBytes);
    if (page == 0) pdf.DrawImage(CanvasRect{100, 1000, 500, 1400}, opaque.mirrored());
  });
  Tool("qpdf", "--check");
  // page num type width height color comp bpc enc interp object ...
  const std::string list = Tool("pdfimages", "-list");
  std::map<std::string, std::set<std::string>> objectsByEncoding;
  int shown = 0;
  std::istringstream lines(list);
  std::string line;
  std::getline(lines, line), std::getline(lines, line);
  while (std::getline(lines, line)) {
    std::istringstream f(line);
    std::string pageNo, num, type, width, height, color, comp, bpc, enc, interp, object;
    f >> pageNo >> num >> type >> width >> height >> color >> comp >> bpc >> enc >> interp >> object;
    if (type == "image") ++shown;
    objectsByEncoding[type + " " + enc].insert(object);
  }
  EXPECT_EQ(shown, 10) << list;
  EXPECT_EQ(objectsByEncoding["image image"].size(), 3u) << list;  // two plain, one translucent
  EXPECT_EQ(objectsByEncoding["smask image"].size(), 1u) << list;
  EXPECT_EQ(objectsByEncoding["image jpeg"].size(), 1u) << list;
  // The JPEG file travels as it is.
  EXPECT_NE(Bytes().find(jpegBytes), std::string::npos);
}

TEST_F(PdfCanvasTest, LinksAndInformationReachTheReader) {
  PdfDocumentInfo info;
  info.Title = "Quarterly report";
  info.Author = "Müller";
  info.Subject = "Sales";
  info.CreationDate = "D:20261210053000Z";
  Write(2, [](PdfCanvas& pdf, int page) {
    Text(pdf, 300, "link");
    if (page == 0) {
      pdf.LinkToPage(CanvasRect{300, 300, 900, 400}, 1);
      pdf.LinkToUri(CanvasRect{300, 500, 900, 600}, Utf8ToHost("https://example.com/a b?ü"));
      // A page the document does not draw itself is added blank.
      pdf.LinkToPage(CanvasRect{300, 700, 900, 800}, 3);
    }
  }, info);
  Tool("qpdf", "--check");
  const std::string pdfInfo = Tool("pdfinfo");
  for (const char* expected : {"Title:           Quarterly report", "Author:          Müller",
                               "Subject:         Sales", "Producer:        lumenfoldi",
                               "Pages:           4", "Page size:       595.32 x 841.92 pts"})
    EXPECT_NE(pdfInfo.find(expected), std::string::npos) << expected << " in\n" << pdfInfo;
  const std::string bytes = Bytes();
  EXPECT_NE(bytes.find("/URI(https://example.com/a%20b?%C3%BC)"), std::string::npos);
  // Both page links go to page objects of this document.
  int links = 0;
  for (size_t at = bytes.find("/Dest["); at != std::string::npos; at = bytes.find("/Dest[", at + 1)) {
    const std::string object = bytes.substr(at + 6, bytes.find(' ', at) - at - 6);
    EXPECT_NE(bytes.find("\n" + object + " 0 obj\n<</Type /Page "), std::string::npos) << object;
    ++links;
  }
  EXPECT_EQ(links, 2);
}

TEST_F(PdfCanvasTest, ClippingNarrowsWhatIsVisibleUntilRestored) {
  OutputFile file(path_);
  PdfCanvas pdf(file, {});
  pdf.BeginPage(1000, 1000);
  EXPECT_TRUE(pdf.RectVisible(CanvasRect{900, 900, 1100, 1100}));
  EXPECT_FALSE(pdf.RectVisible(CanvasRect{1000, 0, 1100, 10}));
  pdf.Save();
  pdf.IntersectClip(CanvasRect{100, 100, 200, 200});
  EXPECT_FALSE(pdf.RectVisible(CanvasRect{200, 100, 300, 200}));
  EXPECT_TRUE(pdf.RectVisible(CanvasRect{199, 199, 300, 300}));
  pdf.Restore();
  EXPECT_TRUE(pdf.RectVisible(CanvasRect{200, 100, 300, 200}));
  // Restores beyond the saves change nothing.
  pdf.Restore();
  EXPECT_TRUE(pdf.RectVisible(CanvasRect{200, 100, 300, 200}));
  pdf.EndPage();
  pdf.Finish();
  file.Commit();
  Tool("qpdf", "--check");
}

TEST(PdfNumbers, AreWrittenTheSameInEveryLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  std::string s;
  for (double v : {0.12, -841.92, 1.0, 1e-9, 1234567.891, -0.004, 1.05, -0.07, -0.5, 3e13})
    AppendNumber(s, v, 2), s += ' ';
  AppendNumber(s, 12.3, 3), s += ' ';
  AppendNumber(s, 0.0625, 3), s += ' ';
  AppendNumber(s, 2.5, 0);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(s, "0.12 -841.92 1 0 1234567.89 0 1.05 -0.07 -0.5 30000000000000 12.3 0.063 3");
  EXPECT_EQ(PdfLiteralString("a(b)\\c\n"), "(a\\(b\\)\\\\c\\012)");
  EXPECT_EQ(PdfTextString("Aé"), "<FEFF004100E9>");
}

}  // namespace
}  // namespace lf
