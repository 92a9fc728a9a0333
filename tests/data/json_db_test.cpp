// Tests of JSON array to record table: fields, values, sizes and errors.
#include <gtest/gtest.h>

#include "data/json_db.h"
#include "data/json_parser.h"
#include "platform/code_page.h"

namespace lf {
namespace {

struct Built {
  TComponent owner;
  TClientDataSet* t = TComponent::Create<TClientDataSet>(&owner, "cds0");
  std::string error;

  explicit Built(const std::string& utf8Json) {
    IJsonValue v = ParseUtf8Text(utf8Json);
    EXPECT_TRUE(ArrayValue(v)) << utf8Json;
    if (!ArrayValue(v)) return;
    try {
      TJSONDB::ArrayToTable(*ArrayValue(v), *t);
    } catch (const EDatabaseError& e) {
      error = e.Message();
    }
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    t->ListFieldNames(n);
    return n;
  }
  // The stored text of row r, field name; "<null>" for null.
  std::string At(int64_t r, const char* name) const {
    const TFieldValue& v = t->CellValue(r, t->FieldNamed(name).Index());
    return v ? *v : "<null>";
  }
};

TEST(JsonDb, FieldsFollowElementZeroInMemberOrder) {
  Built b(R"([{"id":"1","name":"Zhang","age":"30"},{"id":"2","name":"Li"}])");
  ASSERT_EQ(b.error, "");
  EXPECT_EQ(b.Names(), (std::vector<std::string>{"age", "id", "name"}));
  for (int f = 0; f < 3; ++f) {
    EXPECT_EQ(b.t->Fields(f).DataType(), ftString);
    EXPECT_EQ(b.t->Fields(f).Size(), 100);
  }
  EXPECT_EQ(b.t->RecordCount(), 2);
  EXPECT_EQ(b.At(0, "age"), "30");
  EXPECT_EQ(b.At(0, "name"), "Zhang");
  EXPECT_EQ(b.At(1, "age"), "<null>");
  EXPECT_EQ(b.At(1, "id"), "2");
  EXPECT_TRUE(b.t->Active());
  EXPECT_EQ(b.t->RecNo(), 1);  // on the last appended row
}

TEST(JsonDb, StoresValuesExactly) {
  Built b(R"([{"s":"a,b:c","p":"a/b/c","q":"say \"hi\"","bs":"c:\\dir","nl":"x\ny","br":"[{x}]",
               "cur":12.0,"int":7,"dbl":7e2,"t":true,"f":false,"n":null,
               "obj":{"x":1,"y":[1,2]},"arr":[1,"two"],"zero":"a\u0000b"}])");
  ASSERT_EQ(b.error, "");
  EXPECT_EQ(b.At(0, "s"), "a,b:c");
  EXPECT_EQ(b.At(0, "p"), "a/b/c");
  EXPECT_EQ(b.At(0, "q"), "say \"hi\"");
  EXPECT_EQ(b.At(0, "bs"), "c:\\dir");
  EXPECT_EQ(b.At(0, "nl"), "x\ny");
  EXPECT_EQ(b.At(0, "br"), "[{x}]");
  EXPECT_EQ(b.At(0, "cur"), "12.");
  EXPECT_EQ(b.At(0, "int"), "7");
  EXPECT_EQ(b.At(0, "dbl"), "700.");
  EXPECT_EQ(b.At(0, "t"), "true");
  EXPECT_EQ(b.At(0, "f"), "false");
  EXPECT_EQ(b.At(0, "n"), "<null>");
  EXPECT_EQ(b.At(0, "obj"), "{\"y\":[1,2],\"x\":1}");
  EXPECT_EQ(b.At(0, "arr"), "[1,\"two\"]");
  EXPECT_EQ(b.At(0, "zero"), "a");  // a zero character ends a stored text
}

TEST(JsonDb, NamesStayWholeAndFieldsGrowToTheLongestValue) {
  std::string longValue(150, 'v');
  Built b(R"([{"first name":"Ann","a.b":"1","c,d":"2"},{"first name":")" + longValue + R"("}])");
  ASSERT_EQ(b.error, "");
  EXPECT_EQ(b.t->FieldNamed("first name").Size(), 150);
  EXPECT_EQ(b.At(1, "first name"), longValue);
  EXPECT_EQ(b.At(0, "a.b"), "1");
  EXPECT_EQ(b.At(0, "c,d"), "2");
  EXPECT_EQ(b.t->FieldNamed("a.b").Size(), 100);
}

TEST(JsonDb, ExtraMembersAreIgnoredAndOtherCaseStillMatches) {
  Built b(R"([{"name":"a","id":1},{"NAME":"b","extra":"x"},{"Name":"c","name":"d"}])");
  ASSERT_EQ(b.error, "");
  EXPECT_EQ(b.Names(), (std::vector<std::string>{"id", "name"}));
  EXPECT_EQ(b.At(1, "name"), "b");
  EXPECT_EQ(b.At(1, "id"), "<null>");
  EXPECT_EQ(b.At(2, "name"), "d");  // the exact spelling wins
}

TEST(JsonDb, ReportsTheTablesErrors) {
  EXPECT_EQ(Built(R"([{"Name":1,"name":2}])").error, "cds0: Duplicate field name 'Name'");
  EXPECT_EQ(Built(R"([{"":1}])").error, "cds0: Field name missing");
  EXPECT_EQ(Built(R"([{}])").error, "No fields defined.  Cannot create dataset");
  EXPECT_EQ(Built(R"([{"a":1},2])").error, "cds0: Element 1 is not an object");
}

TEST(JsonDb, AnEmptyArrayGivesAnOpenTableWithoutFieldsOrRows) {
  Built b("[]");
  ASSERT_EQ(b.error, "");
  EXPECT_TRUE(b.t->Active());
  EXPECT_EQ(b.t->FieldCount(), 0);
  EXPECT_EQ(b.t->RecordCount(), 0);
  EXPECT_TRUE(b.t->Eof());
}

TEST(JsonDb, ATableWithFieldsKeepsThem) {
  TClientDataSet t;
  t.DefineField("name", ftString, 2, false);
  t.DefineField("missing", ftString, 10, false);
  t.CreateTable();
  IJsonValue v = ParseUtf8Text(R"([{"id":1,"name":"long"}])");
  TJSONDB::ArrayToTable(*ArrayValue(v), t);
  EXPECT_EQ(t.FieldCount(), 2);
  EXPECT_EQ(*t.CellValue(0, 0), "lo");
  EXPECT_FALSE(t.CellValue(0, 1));
}

TEST(JsonDb, ConvertsTextToTheHostCodePage) {
  ScopedHostCodePage gbk("GBK");
  TClientDataSet t;
  IJsonValue v = ParseText(u"[{\"\u59D3\u540D\":\"\u5F20\u4E09\",\"x\":\"\u20AC\"}]");
  TJSONDB::ArrayToTable(*ArrayValue(v), t);
  EXPECT_EQ(t.Fields(1).FieldName(), "\xD0\xD5\xC3\xFB");  // 姓名
  EXPECT_EQ(*t.CellValue(0, 1), "\xD5\xC5\xC8\xFD");       // 张三
  EXPECT_EQ(*t.CellValue(0, 0), "\x80");                   // € is 0x80 in code page 936
}

TEST(JsonDb, UnpairedSurrogatesBecomeReplacementCharacters) {
  TClientDataSet t;
  IJsonValue v = ParseText(u"[{\"a\":\"x\\uD800y\\uD83D\\uDE00\"}]");
  TJSONDB::ArrayToTable(*ArrayValue(v), t);
  EXPECT_EQ(*t.CellValue(0, 0), "x\xEF\xBF\xBDy\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace lf
