// Text form of templates: it carries every field of the binary form, converts
// texts between the host code page and UTF-8, and refuses what it cannot
// read with a message that names the place.
#include <gtest/gtest.h>

#include <ostream>

#include "param_name.h"

#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/report.h"
#include "engine/template/template_format.h"
#include "engine/template/template_text.h"
#include "platform/code_page.h"
#include "platform/message_box.h"
#include "engine/template/template_sample.h"

namespace lf {
namespace {

std::string Save(TfrReport& r) {
  TMemoryStream s;
  SaveToStream(r, s, true);
  return s.Bytes();
}

TEST(TemplateText, TextThenBuildReproducesTheBinaryTemplate) {
  auto original = SampleReport();
  std::string binary = Save(*original);
  std::string text = TemplateToText(*original);
  TfrReport rebuilt;
  TemplateFromText(rebuilt, text);
  EXPECT_EQ(Save(rebuilt), binary);
  EXPECT_EQ(TemplateToText(rebuilt), text);
}

TEST(TemplateText, ExtremeIntegersSurviveTheTextForm) {
  TfrReport r;
  TfrPage* page = r.Pages->Add();
  page->Margins = {-kMaxPageCoordinate, 0, 0, kMaxPageCoordinate};
  auto memo = std::make_unique<TfrMemoView>();
  memo->Left = -kMaxPageCoordinate;
  memo->Format = -1;
  memo->FillColor = 0xFFFFFFFF;
  page->AddObject(std::move(memo));
  TfrReport back;
  TemplateFromText(back, TemplateToText(r));
  EXPECT_EQ(back.Pages->PageAt(0)->Margins, page->Margins);
  EXPECT_EQ(back.Pages->PageAt(0)->Objects[0]->Left, -kMaxPageCoordinate);
  EXPECT_EQ(back.Pages->PageAt(0)->Objects[0]->Format, -1);
  EXPECT_EQ(back.Pages->PageAt(0)->Objects[0]->FillColor, 0xFFFFFFFFu);
}

TEST(TemplateText, IntegerTextsAreDecimalOrHexadecimal) {
  TfrReport r;
  TemplateFromText(r, R"({"Pages": [{"Objects": [{"TypeCode": 0, "Left": "010", "Top": "-0x10"}]}]})");
  EXPECT_EQ(r.Pages->PageAt(0)->Objects[0]->Left, 10);
  EXPECT_EQ(r.Pages->PageAt(0)->Objects[0]->Top, -16);
}

TEST(TemplateText, TextsAreUtf8WhateverTheHostCodePage) {
  ScopedHostCodePage cp("CP1251");
  TfrReport r;
  auto memo = std::make_unique<TfrMemoView>();
  memo->Name = "Memo1";
  memo->Memo = {"\xC8\xF2\xEE\xE3\xEE"};  // "Итого" in CP1251
  r.Pages->Add()->AddObject(std::move(memo));
  std::string text = TemplateToText(r);
  EXPECT_NE(text.find("\"Итого\""), std::string::npos);
  TfrReport back;
  TemplateFromText(back, text);
  EXPECT_EQ(back.FindObject("Memo1")->Memo, TfrLines{"\xC8\xF2\xEE\xE3\xEE"});
}

TEST(TemplateText, LeftOutFieldsTakeTheDefaultsOfNewObjects) {
  TfrReport r;
  TemplateFromText(r, R"({"Pages": [{"Objects": [{"TypeCode": 0, "Memo": "[cds0.Name]"},
                                                 {"TypeCode": 0, "FillColor": "0x00FFFFFF"}]}],
                         "Information": {"Created": "2026-03-01T10:30:00"}})");
  ASSERT_EQ(r.Pages->Count(), 1);
  EXPECT_EQ(r.Pages->PageAt(0)->Name, "Page1");
  auto* m = dynamic_cast<TfrMemoView*>(r.FindObject("Memo1"));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Memo, TfrLines{"[cds0.Name]"});
  EXPECT_EQ(m->Flags, flStretched | flWordWrap);
  EXPECT_EQ(m->Font.Name, "Arial");
  EXPECT_EQ(r.FindObject("Memo2")->FillColor, 0xFFFFFFu);
  EXPECT_DOUBLE_EQ(r.ReportCreateDate, 46082 + 10.5 / 24);
}

TEST(TemplateText, PictureDataTravelsAsBase64) {
  TfrReport r;
  auto pic = std::make_unique<TfrPictureView>();
  pic->Picture = {TfrGraphicKind::Bitmap, std::string("BM\0\x01\xFF", 5)};
  r.Pages->Add()->AddObject(std::move(pic));
  std::string text = TemplateToText(r);
  EXPECT_NE(text.find("\"Data\": \"Qk0AAf8=\""), std::string::npos);
  TfrReport back;
  TemplateFromText(back, text);
  auto* p = dynamic_cast<TfrPictureView*>(back.Pages->PageAt(0)->Objects[0].get());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Picture.Data, std::string("BM\0\x01\xFF", 5));
}

struct BadText {
  const char* text;
  const char* message;
};
void PrintTo(const BadText& c, std::ostream* os) { *os << c.message; }

class TemplateTextErrors : public ::testing::TestWithParam<BadText> {};

TEST_P(TemplateTextErrors, NameThePlaceAndTheFault) {
  TfrReport r;
  try {
    TemplateFromText(r, GetParam().text);
    FAIL() << "accepted " << GetParam().text;
  } catch (const ETemplateTextError& e) {
    EXPECT_EQ(e.Message(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TemplateTextErrors,
    ::testing::Values(
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 0, "Lft": 3}]}]})",
                "Template text: Pages[0].Objects[0]: unknown key 'Lft'"},
        BadText{R"({"Pages": [{"Objects": [{"Left": 3}]}]})",
                "Template text: Pages[0].Objects[0]: 'TypeCode' is missing"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 7}]}]})",
                "Template text: Pages[0].Objects[0]: no object has type code 7"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 10, "ClassName": "TfrChartView"}]}]})",
                "Template text: Pages[0].Objects[0]: Class TfrChartView not found"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 2, "BandAlign": 300}]}]})",
                "Template text: Pages[0].Objects[0]: 'BandAlign' must be an integer from 0 to 255"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 0, "Left": 1.5}]}]})",
                "Template text: Pages[0].Objects[0]: 'Left' must be an integer from -1000000 to 1000000"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 0, "Top": 1000001}]}]})",
                "Template text: Pages[0].Objects[0]: 'Top' must be an integer from -1000000 to 1000000"},
        BadText{R"({"Pages": [{"WidthDmm": -1}]})",
                "Template text: Pages[0]: 'WidthDmm' must be an integer from 0 to 100000"},
        BadText{R"({"Pages": [{"Margins": [-2147483648, 0, 0, 0]}]})",
                "Template text: Pages[0]: 'Margins' must hold integers from -1000000 to 1000000"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 0, "FrameWidth": 1e300}]}]})",
                "Template text: Pages[0].Objects[0]: 'FrameWidth' is out of range"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 0, "Left": "12abc"}]}]})",
                "Template text: Pages[0].Objects[0]: 'Left' must be an integer"},
        BadText{R"({"Pages": [{"Margins": [1, 2]}]})",
                "Template text: Pages[0]: 'Margins' must hold left, top, right, bottom"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 1, "Picture": {"Kind": 4, "Data": "%%"}}]}]})",
                "Template text: Pages[0].Objects[0].Picture: 'Data' is not valid base64"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 0, "Memo": [1]}]}]})",
                "Template text: Pages[0].Objects[0]: 'Memo' must be an array of texts"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 0, "Format": 4294967296}]}]})",
                "Template text: Pages[0].Objects[0]: 'Format' must be an integer from -2147483648 to 4294967295"},
        BadText{R"({"Pages": [{"Objects": [{"TypeCode": 0, "GapX": "-0x8000000000000001"}]}]})",
                "Template text: Pages[0].Objects[0]: 'GapX' must be an integer from -1000000 to 1000000"},
        BadText{R"({"Version": 26})", "Template text: document: 'Version' must be 25"},
        BadText{R"({"Information": {"Created": "yesterday"}})",
                "Template text: Information: 'Created' is not a date: yesterday"},
        BadText{R"([1, 2])", "Template text: document: must be an object"},
        BadText{R"({"Pages": [})",
                "Template text: byte 12: syntax error while parsing value - unexpected '}'; expected '[', '{', or a "
                "literal"},
        BadText{"{\n  \"Pages\": [\n", "Template text: byte 16: syntax error while parsing value - unexpected end of input; "
                                        "expected '[', '{', or a literal"}),
    [](const ::testing::TestParamInfo<TemplateTextErrors::ParamType>& info) { return lf::test::ParamName(std::string(info.param.message).substr(15)); });

TEST(TemplateText, DeepNestingIsRefusedBeforeParsing) {
  std::string deep = "{\"Tag\": " + std::string(kMaxTemplateTextDepth, '[') +
                     std::string(kMaxTemplateTextDepth, ']') + "}";
  TfrReport r;
  try {
    TemplateFromText(r, deep);
    FAIL();
  } catch (const ETemplateTextError& e) {
    EXPECT_EQ(e.Message(), "Template text: document: nested deeper than 16 levels");
  }
}

}  // namespace
}  // namespace lf
