// Prepared pages written as a PDF: one page per prepared page at its paper
// size, texts as text in an embedded font with a map back to characters,
// a clip only around the text that overflows its frame, and files that
// cannot be written.
#include "engine/output/pdf_export.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/output/emf_pages.h"
#include "platform/exception.h"
#include "prepared_pages_sample.h"

namespace lf {
namespace {

void AddText(TPreparedPage& page, int32_t left, int32_t top, int32_t width, const std::string& text) {
  TfrMemoView memo;
  memo.SetBounds(left, top, width, 18);
  memo.WorkLines = {text};
  AppendRecord(page, memo);
}

// The streams of a PDF, inflated (content streams and fonts alike).
std::vector<QByteArray> Streams(const QByteArray& pdf) {
  std::vector<QByteArray> out;
  qsizetype at = 0;
  while ((at = pdf.indexOf("stream\n", at)) >= 0) {
    at += 7;
    qsizetype end = pdf.indexOf("endstream", at);
    if (end < 0) break;
    QByteArray packed = pdf.mid(at, end - at);
    // qUncompress wants the inflated size first; a guess is enough.
    const quint32 guess = static_cast<quint32>(packed.size()) * 16 + 4096;
    QByteArray sized;
    for (int shift : {24, 16, 8, 0}) sized.append(static_cast<char>((guess >> shift) & 0xFF));
    QByteArray inflated = qUncompress(sized + packed);
    out.push_back(inflated.isEmpty() ? packed : inflated);
    at = end + 9;  // past "endstream", which ends in "stream" too
  }
  return out;
}

class PdfExport : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("lf_pdf_export_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  std::filesystem::path dir;
  TfrEMFPages list{nullptr};
};

TEST_F(PdfExport, WritesTheListedPagesAtTheirPaperWithTextsAsText) {
  TfrPage a4(9, 2100, 2970, -1, false);
  TfrPage landscape(9, 2100, 2970, -1, true);
  list.Add(a4);
  AddText(list.PageAt(0), 20, 20, 150, "Fits");
  TfrMemoView twoLines;  // one line tall: the second runs out at the bottom
  twoLines.SetBounds(20, 60, 150, 18);
  twoLines.WorkLines = {"one", "two"};
  AppendRecord(list.PageAt(0), twoLines);
  list.Add(landscape);
  AddText(list.PageAt(1), 20, 20, 150, "Second");
  list.Add(a4);
  AddText(list.PageAt(2), 20, 20, 150, "Third");

  WritePdf(list, {1, 0}, Path("out.pdf"));
  QFile file(QString::fromStdString(Path("out.pdf")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray pdf = file.readAll();
  EXPECT_TRUE(pdf.startsWith("%PDF-"));
  EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page>>") + pdf.count("/Type /Page "), 2);
  // A4 in points, landscape first as listed.
  QRegularExpression box("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]");
  std::vector<std::pair<double, double>> sizes;
  for (auto it = box.globalMatch(QString::fromLatin1(pdf)); it.hasNext();) {
    auto m = it.next();
    sizes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
  }
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_NEAR(sizes[0].first, 842, 1);
  EXPECT_NEAR(sizes[0].second, 595, 1);
  EXPECT_NEAR(sizes[1].first, 595, 1);
  EXPECT_NEAR(sizes[1].second, 842, 1);
  // The font travels with the file, with the map from glyphs to characters
  // that makes the texts selectable.
  EXPECT_TRUE(pdf.contains("/FontFile2"));
  EXPECT_TRUE(pdf.contains("/ToUnicode"));

  // Content streams: one text object per line, and one clip path, around
  // the line that runs past its frame; the unlisted page is not there.
  int textObjects = 0, clips = 0;
  for (const QByteArray& s : Streams(pdf)) {
    if (!s.contains(" Tf\n")) continue;
    textObjects += static_cast<int>(s.count("BT\n"));
    clips += static_cast<int>(s.count("W* n") + s.count("W n"));
  }
  EXPECT_EQ(textObjects, 4);
  EXPECT_EQ(clips, 1);
}

// A text met again is drawn from the glyphs kept from its shaping: the
// same glyphs and advances as the first time, only elsewhere.
TEST_F(PdfExport, ARepeatedTextKeepsItsGlyphs) {
  TfrPage a4(9, 2100, 2970, -1, false);
  list.Add(a4);
  for (int i = 0; i < 3; ++i) AddText(list.PageAt(0), 20, 20 + 30 * i, 200, "Repeated 12.50 Ж 中");
  WritePdf(list, {0}, Path("repeat.pdf"));
  QFile file(QString::fromStdString(Path("repeat.pdf")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  std::vector<QByteArray> texts;  // the glyphs each text object shows
  for (const QByteArray& s : Streams(file.readAll())) {
    for (qsizetype at = 0; (at = s.indexOf("BT\n", at)) >= 0;) {
      qsizetype end = s.indexOf("ET\n", at);
      QByteArray glyphs;
      for (const QByteArray& line : s.mid(at, end - at).split('\n'))
        if (line.endsWith("TJ")) glyphs += line + '\n';
      texts.push_back(glyphs);
      at = end;
    }
  }
  // One text object a line, a glyph run per font (the Chinese character
  // comes from another family), the same for each of the three.
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].count("TJ"), 2);
  const size_t perLine = 1;
  for (size_t i = perLine; i < texts.size(); ++i) EXPECT_EQ(texts[i], texts[i - perLine]) << i;
}

// Hyperlink objects become links a PDF reader follows: "@N" to the page
// showing prepared page N (none when it is left out), web and mail
// addresses as they are, any other address not at all.
TEST_F(PdfExport, HyperlinkObjectsBecomeLinks) {
  TfrPage a4(9, 2100, 2970, -1, false);
  for (int i = 0; i < 3; ++i) list.Add(a4);
  auto link = [&](int page, const std::string& tag) {
    TfrMemoView memo;
    memo.SetBounds(20, 20, 150, 18);
    memo.Name = "URL" + std::to_string(page) + tag.substr(0, 1);
    memo.Tag = tag;
    memo.WorkLines = {tag};
    AppendRecord(list.PageAt(page), memo);
  };
  link(0, "@3");
  link(0, "@2");  // page 2 is not written
  link(0, " https://example.com/x ");
  link(0, "mailto:a@example.com");
  link(0, "file:///etc/passwd");
  link(2, "@1");
  WritePdf(list, {0, 2}, Path("links.pdf"));
  QFile file(QString::fromStdString(Path("links.pdf")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray pdf = file.readAll();
  EXPECT_EQ(pdf.count("/Subtype/Link"), 4);
  EXPECT_TRUE(pdf.contains("/URI(https://example.com/x)"));
  EXPECT_TRUE(pdf.contains("/URI(mailto:a@example.com)"));
  EXPECT_FALSE(pdf.contains("passwd"));
  // The two page links point at each other's pages.
  QRegularExpression dest("/Dest\\[(\\d+) 0 R");
  QRegularExpression page("\n(\\d+) 0 obj\n<</Type /Page ");
  std::vector<QString> targets, pages;
  for (auto it = dest.globalMatch(QString::fromLatin1(pdf)); it.hasNext();) targets.push_back(it.next().captured(1));
  for (auto it = page.globalMatch(QString::fromLatin1(pdf)); it.hasNext();) pages.push_back(it.next().captured(1));
  ASSERT_EQ(targets.size(), 2u);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(targets[0], pages[1]);
  EXPECT_EQ(targets[1], pages[0]);
}

TEST_F(PdfExport, AFileThatCannotBeWrittenIsAnError) {
  TfrPage a4(9, 2100, 2970, -1, false);
  list.Add(a4);
  const std::string path = Path("missing/out.pdf");
  try {
    WritePdf(list, {0}, path);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "cannot write '" + path + "': No such file or directory");
  }
}

}  // namespace
}  // namespace lf
