// Tests of data text to record tables: the arrays of a text, what may stand
// between them, and the errors that name table and byte.
#include <gtest/gtest.h>

#include "data/data_tables.h"
#include "platform/code_page.h"

namespace lf {
namespace {

struct Loaded {
  TComponent owner;
  std::vector<TClientDataSet*> tables;
  std::string error;

  explicit Loaded(const std::string& text) {
    try {
      LoadDataTables(text, owner, tables);
    } catch (const Exception& e) {
      error = e.Message();
    }
  }
  std::string Cell(size_t table, int64_t row, int field) const {
    const TFieldValue& v = tables[table]->CellValue(row, field);
    return v ? *v : "<null>";
  }
};

TEST(DataTables, TwoArraysSeparatedByALineBreak) {
  Loaded l("[{\"a\":\"1\"},{\"a\":\"2\"}]\n[{\"b\":\"x\"}]");
  ASSERT_EQ(l.error, "");
  ASSERT_EQ(l.tables.size(), 2u);
  EXPECT_EQ(l.tables[0]->Name(), "cds0");
  EXPECT_EQ(l.tables[1]->Name(), "cds1");
  EXPECT_EQ(l.tables[0]->RecordCount(), 2);
  EXPECT_EQ(l.tables[1]->Fields(0).FieldName(), "b");
  EXPECT_EQ(l.owner.FindComponent("CDS1"), l.tables[1]);
  EXPECT_TRUE(l.tables[1]->Active());
}

TEST(DataTables, BracketsInsideValuesArePlainValues) {
  Loaded l(R"([{"a":"x}]y[{z","rows":[{"n":1},{"n":2}]}] [{"b":1}])");
  ASSERT_EQ(l.error, "");
  ASSERT_EQ(l.tables.size(), 2u);
  EXPECT_EQ(l.Cell(0, 0, l.tables[0]->FieldNamed("a").Index()), "x}]y[{z");
  EXPECT_EQ(l.Cell(0, 0, l.tables[0]->FieldNamed("rows").Index()), "[{\"n\":1},{\"n\":2}]");
}

TEST(DataTables, WhatMayStandBetweenArrays) {
  struct {
    const char* text;
    size_t tables;
  } cases[] = {{"", 0},
               {"no brackets at all {\"a\":1}", 0},
               {" /* c */ // d\n [{\"a\":1}] /* e */ [{\"b\":1}]", 2},
               {"[{\"a\":1}] , [{\"b\":1}]", 2},
               {"[{\"a\":1}],", 1},
               {"[{\"a\":1}] trailing words", 1},
               {"[{\"a\":1}] / stray slash", 1},
               {"[[{\"a\":1}],[{\"b\":1},{\"b\":2}],[]]", 3},
               {"[]", 1},
               {"[{\"a\":1}] [] [{\"c\":1}]", 3}};
  for (const auto& c : cases) {
    Loaded l(c.text);
    EXPECT_EQ(l.error, "") << c.text;
    EXPECT_EQ(l.tables.size(), c.tables) << c.text;
  }
  Loaded wrapped("[[{\"a\":1}],[{\"b\":1},{\"b\":2}]]");
  ASSERT_EQ(wrapped.tables.size(), 2u);
  EXPECT_EQ(wrapped.tables[1]->RecordCount(), 2);
  // An array read a second time (to leave out a stray slash after it)
  // gives its rows once.
  Loaded slash("[{\"a\":1},{\"a\":2}] / stray slash");
  ASSERT_EQ(slash.tables.size(), 1u);
  EXPECT_EQ(slash.tables[0]->RecordCount(), 2);
  EXPECT_EQ(slash.Cell(0, 1, 0), "2");
  Loaded empty("[{\"a\":1}] [] [{\"c\":1}]");
  EXPECT_EQ(empty.tables[1]->FieldCount(), 0);
  EXPECT_EQ(empty.tables[2]->Name(), "cds2");
}

TEST(DataTables, ErrorsNameTheTableAndTheByte) {
  struct {
    const char* text;
    const char* error;
    size_t built;
  } cases[] = {
      {"x [{\"a\":1}]", "data table 0 at byte 0: unexpected text before the first table", 0},
      {"[{\"a\":1}] x [{\"b\":1}]", "data table 1 at byte 10: unexpected text between tables", 1},
      {"[{\"a\":1}],,[{\"b\":1}]", "data table 1 at byte 9: unexpected text between tables", 1},
      {"[{\"a\":1}] [{\"b\":1}, 3, {}]", "data table 1 at byte 20: element 1 is not an object", 1},
      {"[{\"a\":1}]\n[{\"b\":1}", "data table 1 at byte 18: unexpected end of text", 1},
      {"[{\"a\" 1}]", "data table 0 at byte 6: expected ':', found '1'", 0},
      {"[[{\"a\":1}], 5]", "data table 0 at byte 1: element 0 is not an object", 0},
      {"[[{\"a\":1}],[{\"b\":1}, 7]]", "data table 1 at byte 21: element 1 is not an object", 1},
      {"[{\"a\":1}] [{\"Id\":1,\"ID\":2}]", "cds1: Duplicate field name 'ID'", 2},
      // Rows already read do not make a table when the array breaks later.
      {"[{\"a\":1},{\"a\":2},{\"a\" 3}]", "data table 0 at byte 22: expected ':', found '3'", 0},
      {"[{\"a\":1},{\"a\":2},[]]", "data table 0 at byte 17: element 2 is not an object", 0},
  };
  for (const auto& c : cases) {
    Loaded l(c.text);
    EXPECT_EQ(l.error, c.error) << c.text;
    EXPECT_EQ(l.tables.size(), c.built) << c.text;
  }
}

TEST(DataTables, OffsetsCountBytesOfTheHostCodePage) {
  ScopedHostCodePage gbk("GBK");
  // 中文 is four bytes in GBK but two code units once decoded.
  Loaded l("[{\"a\":\"\xD6\xD0\xCE\xC4\"}] [{\"b\":1}, 2]");
  EXPECT_EQ(l.error, "data table 1 at byte 25: element 1 is not an object");
  ASSERT_EQ(l.tables.size(), 1u);
  EXPECT_EQ(l.Cell(0, 0, 0), "\xD6\xD0\xCE\xC4");
}

TEST(DataTables, OffsetsOfLaterTablesCountEveryEarlierByte) {
  ScopedHostCodePage gbk("GBK");
  std::string text;
  for (int i = 0; i < 3; ++i) text += "[{\"a\":\"\xD6\xD0\"}]\n";  // 13 bytes each
  Loaded l(text + "[{\"b\":1}, 2]");
  EXPECT_EQ(l.error, "data table 3 at byte 49: element 1 is not an object");
}

// A row "{}" costs a cell for every field of its table: a text of a few
// kilobytes must not be able to ask for gigabytes.
TEST(DataTables, HoldsAtMostTheCellLimit) {
  const size_t fields = 8192;
  std::string first = "{";
  for (size_t f = 0; f < fields; ++f) first += (f ? ",\"f" : "\"f") + std::to_string(f) + "\":1";
  first += "}";
  std::string rows;
  for (size_t r = 1; r < kMaxDataCells / fields; ++r) rows += ",{}";
  // The second table alone fits exactly; with the first one's cells it does not.
  Loaded over("[" + first + "] [" + first + rows + "]");
  EXPECT_EQ(over.error, "data table 1 at byte " + std::to_string(first.size() + 3) +
                            ": the tables would hold more than 33554432 cells");
  EXPECT_EQ(over.tables.size(), 1u);
  // A broken text is named as such even past the limit.
  Loaded broken("[" + first + "] [" + first + rows + ",{\"x\" 1}]");
  EXPECT_EQ(broken.error.substr(broken.error.find(':')), ": expected ':', found '1'");
}

TEST(DataTables, ABracketAsSecondByteOfADoubleByteCharacterIsNoBracket) {
  ScopedHostCodePage gbk("GBK");
  // 0x81 0x5B is one GBK character whose second byte is '['.
  Loaded l("[{\"a\":1}] tail \x81\x5B");
  EXPECT_EQ(l.error, "");
  EXPECT_EQ(l.tables.size(), 1u);
}

TEST(DataTables, SkipsAUtf8ByteOrderMark) {
  Loaded l("\xEF\xBB\xBF[{\"a\":1}]");
  EXPECT_EQ(l.error, "");
  EXPECT_EQ(l.tables.size(), 1u);
}

TEST(DataTables, HoldsAtMostTheTableLimit) {
  std::string text;
  for (size_t i = 0; i < kMaxDataTables; ++i) text += "[]";
  EXPECT_EQ(Loaded(text).tables.size(), kMaxDataTables);
  Loaded over(text + "[{\"a\":1}]");
  EXPECT_EQ(over.error, "data table 1000 at byte 2000: more than 1000 tables");
  EXPECT_EQ(over.tables.size(), kMaxDataTables);
  std::string wrapped = "[";
  for (size_t i = 0; i <= kMaxDataTables; ++i) wrapped += i ? ",[]" : "[]";
  wrapped += "]";
  EXPECT_EQ(Loaded(wrapped).error, "data table 1000 at byte 3001: more than 1000 tables");
}

TEST(DataTables, ReaderReportsTableOffsets) {
  std::string text = "  [{\"a\":1}] [{\"b\":2}]";
  TDataTextReader r(text);
  IJsonValue a;
  ASSERT_TRUE(r.Next(a));
  EXPECT_EQ(r.TableOffset(), 2u);
  ASSERT_TRUE(r.Next(a));
  EXPECT_EQ(r.TableOffset(), 12u);
  EXPECT_FALSE(r.Next(a));
  EXPECT_FALSE(a);
  EXPECT_FALSE(r.Next(a));
}

}  // namespace
}  // namespace lf
