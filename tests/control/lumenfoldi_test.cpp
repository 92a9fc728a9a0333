// Tests of the control core: parameters, the tables step and table release.
#include <gtest/gtest.h>

#include "control/lumenfoldi.h"
#include "data/data_tables.h"
#include "platform/code_page.h"
#include "platform/message_box.h"

namespace lf {
namespace {

TEST(Lumenfoldi, IsATopLevelContainerNamedLumenfoldi) {
  Tlumenfoldi control;
  EXPECT_EQ(control.Name(), "lumenfoldi");
  EXPECT_EQ(TApplication::FindContainer("LUMENFOLDI"), &control);
  EXPECT_TRUE(control.tables().empty());
}

TEST(Lumenfoldi, SplitsTheParameterAtTheFirstComma) {
  RecordingMessageService boxes;
  ScopedMessageService scope(&boxes);
  struct {
    std::u16string param;
    const char* templateUrl;
    const char* dataUrl;
  } cases[] = {{u"", "", ""},
               {u"http://127.0.0.1:1/data.json", "", "http://127.0.0.1:1/data.json"},
               {u"http://127.0.0.1:1/r.frf,http://127.0.0.1:1/d?a=1,b=2,c", "http://127.0.0.1:1/r.frf",
                "http://127.0.0.1:1/d?a=1,b=2,c"},
               {u",", "", ""}};
  for (const auto& c : cases) {
    Tlumenfoldi control;
    control.setParams(c.param);
    EXPECT_EQ(control.paramText(), Utf16ToUtf8(c.param));
    EXPECT_EQ(control.templateUrl(), c.templateUrl);
    EXPECT_EQ(control.dataUrl(), c.dataUrl);
  }
  // Nothing answers at these addresses: each call reports the data failure.
  ASSERT_EQ(boxes.boxes.size(), 4u);
  EXPECT_EQ(boxes.boxes[0].caption, "错误");
  EXPECT_EQ(boxes.boxes[0].text, "加载数据失败,错误号0");
}

TEST(Lumenfoldi, StoresTheParameterInTheHostCodePage) {
  ScopedHostCodePage gbk("GBK");
  RecordingMessageService boxes;
  ScopedMessageService scope(&boxes);
  Tlumenfoldi control;
  // The data address is a closed local port, so nothing leaves the machine.
  control.setParams(u"\u62A5\u8868.frf,http://127.0.0.1:1/\u6570\u636E");  // 报表.frf,.../数据
  EXPECT_EQ(control.templateUrl(), "\xB1\xA8\xB1\xED.frf");
  EXPECT_EQ(control.dataUrl(), "http://127.0.0.1:1/\xCA\xFD\xBE\xDD");
}

TEST(Lumenfoldi, ReplacesTablesOnEveryLoad) {
  Tlumenfoldi control;
  control.LoadDataText("[{\"a\":1}] [{\"b\":1}] [{\"c\":1}]");
  ASSERT_EQ(control.tables().size(), 3u);
  EXPECT_EQ(control.FindComponent("cds2"), control.tables()[2]);

  control.LoadDataText("[{\"x\":\"only\"}]");
  ASSERT_EQ(control.tables().size(), 1u);
  EXPECT_EQ(control.tables()[0]->Fields(0).FieldName(), "x");
  EXPECT_EQ(control.FindComponent("cds1"), nullptr);
  EXPECT_EQ(control.FindComponent("cds2"), nullptr);

  control.LoadDataText("[{\"a\":1}] [{\"b\":1}] [{\"c\":1}] [{\"d\":1}]");
  ASSERT_EQ(control.tables().size(), 4u);
  EXPECT_EQ(control.tables()[3]->Name(), "cds3");

  control.LoadDataText("no tables here");
  EXPECT_TRUE(control.tables().empty());
  EXPECT_EQ(control.FindComponent("cds0"), nullptr);
}

TEST(Lumenfoldi, AFailedLoadKeepsTheTablesBuiltBeforeTheError) {
  Tlumenfoldi control;
  try {
    control.LoadDataText("[{\"a\":1}] [{\"b\":1}, \"x\"]");
    FAIL() << "no error";
  } catch (const EDataTextError& e) {
    EXPECT_EQ(e.Message(), "data table 1 at byte 20: element 1 is not an object");
  }
  ASSERT_EQ(control.tables().size(), 1u);
  EXPECT_EQ(control.tables()[0]->Name(), "cds0");
  // The next load starts from a clean slate again.
  control.LoadDataText("[{\"z\":1}]");
  EXPECT_EQ(control.tables().size(), 1u);
}

TEST(Lumenfoldi, AChineseValueReachesTheTableUnchanged) {
  ScopedHostCodePage gbk("GBK");
  Tlumenfoldi control;
  control.LoadDataText("[{\"name\":\"\xD5\xC5\xC8\xFD\"}]");
  ASSERT_EQ(control.tables().size(), 1u);
  EXPECT_EQ(*control.tables()[0]->CellValue(0, 0), "\xD5\xC5\xC8\xFD");
}

}  // namespace
}  // namespace lf
