// The prepared-report text form: pages whose records would not survive the
// text are kept as their stream, and bad texts are refused with their place.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <ostream>
#include <string>

#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/output/emf_pages.h"
#include "engine/output/prepared_report_text.h"
#include "engine/template/template_stream.h"
#include "prepared_pages_sample.h"

namespace lf {
namespace {

// Dumps one page made by fill, builds it again and compares the bytes.
bool SurvivesAsObjects(void (*fill)(TPreparedPage&)) {
  TfrEMFPages list(nullptr);
  list.Add(TfrPage(9, 2100, 2970, -1, false));
  fill(list.PageAt(0));
  const std::string before = list.PageAt(0).Stream->Bytes();
  const std::string text = PreparedReportToText(list, {});
  TfrEMFPages built(nullptr);
  PreparedReportFromText(text, built);
  EXPECT_EQ(built.PageAt(0).Stream->Bytes(), before);
  return text.find("\"Objects\"") != std::string::npos;
}

TEST(PreparedReportText, PagesThatTheTextCannotCarryStayStreams) {
  EXPECT_TRUE(SurvivesAsObjects([](TPreparedPage& p) {
    TfrMemoView memo;
    memo.WorkLines = {"ok", "\x01" "next"};
    memo.FrameWidth = 0.5f;
    AppendRecord(p, memo);
  }));
  // A stored frame width of 2000 reads as 2 and would be written back as 2.
  EXPECT_FALSE(SurvivesAsObjects([](TPreparedPage& p) {
    TfrLineView line;
    line.FrameWidth = 2.0f;
    AppendRecord(p, line);
    std::string& bytes = p.Stream->Bytes();
    // version, type code, empty name (3), format version and revision,
    // rectangle (16), Flags, FrameTyp: the frame width follows.
    const size_t at = 1 + 1 + 3 + 2 + 16 + 2 + 2;
    ASSERT_EQ(static_cast<uint8_t>(bytes[at]), 2);
    bytes[at] = static_cast<char>(2000 & 0xFF);
    bytes[at + 1] = static_cast<char>(2000 >> 8);
  }));
  // Bytes that are no UTF-8 character in a UTF-8 host.
  EXPECT_FALSE(SurvivesAsObjects([](TPreparedPage& p) {
    TfrMemoView memo;
    memo.WorkLines = {"\xFF\xFE"};
    AppendRecord(p, memo);
  }));
}

struct TextErrorCase {
  const char* name;
  const char* text;
  const char* message;
};
void PrintTo(const TextErrorCase& c, std::ostream* os) { *os << c.name; }

class PreparedReportTextErrors : public ::testing::TestWithParam<TextErrorCase> {};

TEST_P(PreparedReportTextErrors, NameThePlace) {
  TfrEMFPages list(nullptr);
  try {
    PreparedReportFromText(GetParam().text, list);
    FAIL() << "no error";
  } catch (const EPreparedTextError& e) {
    EXPECT_EQ(e.Message(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PreparedReportTextErrors,
    ::testing::Values(
        TextErrorCase{"Version", R"({"Version": 23})",
                      "Prepared report text: document: 'Version' must be 0 (no version byte) or 24 to 31"},
        TextErrorCase{"StreamAndObjects", R"({"Pages": [{"Stream": "GQ==", "Objects": []}]})",
                      "Prepared report text: Pages[0]: 'Stream' and 'Objects' exclude each other"},
        TextErrorCase{"BadBase64", R"({"Pages": [{"Stream": "G!Q"}]})",
                      "Prepared report text: Pages[0]: 'Stream' is not valid base64"},
        TextErrorCase{"PaperCodeRange", R"({"Pages": [{"PaperCode": 65536}]})",
                      "Prepared report text: Pages[0]: 'PaperCode' must be an integer from 0 to 65535"},
        TextErrorCase{"PaperBeyondTheSizeLimit", R"({"Pages": [{"HeightDmm": 100001}]})",
                      "Prepared report text: Pages[0]: 'HeightDmm' must be an integer from 0 to 100000"},
        TextErrorCase{"MarginBeyondThePageLimit", R"({"Pages": [{"Margins": [0, 0, 1000001, 0]}]})",
                      "Prepared report text: Pages[0]: 'Margins' must hold integers from -1000000 to 1000000"},
        TextErrorCase{"TemplateOnlyKey", R"({"Pages": [{"Objects": [{"TypeCode": 0, "Script": []}]}]})",
                      "Prepared report text: Pages[0].Objects[0]: unknown key 'Script'"},
        TextErrorCase{"TooDeep", "[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]",
                      "Prepared report text: document: nested deeper than 16 levels"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PreparedReportText, LongerTextsAreRefusedBeforeParsing) {
  // An untouched anonymous mapping: its zero pages cost no memory.
  const size_t size = kMaxPreparedTextBytes + 1;
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(map, MAP_FAILED);
  TfrEMFPages list(nullptr);
  try {
    PreparedReportFromText(std::string_view(static_cast<const char*>(map), size), list);
    ADD_FAILURE() << "no error";
  } catch (const EPreparedTextError& e) {
    EXPECT_EQ(e.Message(), "Prepared report text: document: longer than 1073741824 bytes");
  }
  munmap(map, size);
}

}  // namespace
}  // namespace lf
