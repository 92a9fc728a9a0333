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
    if (!s.contains(" Tf ")) continue;
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
  std::vector<QByteArray> texts;  // each text object without its first placement
  for (const QByteArray& s : Streams(file.readAll())) {
    for (qsizetype at = 0; (at = s.indexOf("BT\n", at)) >= 0;) {
      qsizetype end = s.indexOf("ET\n", at);
      QList<QByteArray> lines = s.mid(at, end - at).split('\n');
      for (QByteArray& line : lines)
        if (line.endsWith("Tj")) {  // "x y Td <g> Tj": where the first glyph goes
          line = line.mid(line.indexOf("Td"));
          break;
        }
      texts.push_back(lines.join('\n'));
      at = end;
    }
  }
  // Text objects per run of one font (the Chinese character comes from
  // another family), the same for each of the three.
  ASSERT_EQ(texts.size() % 3, 0u);
  const size_t perLine = texts.size() / 3;
  EXPECT_GE(perLine, 2u);
  for (size_t i = perLine; i < texts.size(); ++i) EXPECT_EQ(texts[i], texts[i - perLine]) << i;
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
