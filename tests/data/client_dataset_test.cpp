// Tests of the record table: definitions, errors, rows, cursor, bookmarks.
#include <gtest/gtest.h>

#include "data/client_dataset.h"
#include "platform/code_page.h"

namespace lf {
namespace {

struct Fixture {
  TComponent owner;
  TClientDataSet* t = TComponent::Create<TClientDataSet>(&owner, "cds0");
};

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EDatabaseError& e) {
    return e.Message();
  }
  return "<no error>";
}

TEST(ClientDataSet, DefinitionErrorsCarryTheTableName) {
  Fixture f;
  EXPECT_EQ(ErrorOf([&] { f.t->DefineField("", ftString, 10, false); }), "cds0: Field name missing");
  EXPECT_EQ(ErrorOf([&] { f.t->CreateTable(); }), "No fields defined.  Cannot create dataset");
  f.t->DefineField("Name", ftString, 10, false);
  f.t->DefineField("name", ftString, 10, false);
  EXPECT_EQ(ErrorOf([&] { f.t->CreateTable(); }), "cds0: Duplicate field name 'name'");
  EXPECT_FALSE(f.t->Active());

  TClientDataSet unnamed;
  EXPECT_EQ(ErrorOf([&] { unnamed.DefineField("", ftString, 1, false); }), "Field name missing");
}

TEST(ClientDataSet, NonAsciiNamesCompareWithoutCase) {
  Fixture f;
  f.t->DefineField("\xD0\x98\xD0\xBC\xD1\x8F", ftString, 10, false);  // Имя
  f.t->DefineField("\xD0\xB8\xD0\xBC\xD1\x8F", ftString, 10, false);  // имя
  EXPECT_EQ(ErrorOf([&] { f.t->CreateTable(); }), "cds0: Duplicate field name '\xD0\xB8\xD0\xBC\xD1\x8F'");
}

TEST(ClientDataSet, FindsFieldsIgnoringCase) {
  Fixture f;
  f.t->DefineField("age", ftString, 100, false);
  f.t->DefineField("first name", ftString, 100, false);
  f.t->CreateTable();
  EXPECT_EQ(f.t->FieldCount(), 2);
  EXPECT_EQ(f.t->FieldNamed("FIRST NAME").Index(), 1);
  EXPECT_EQ(f.t->LookupField("x"), nullptr);
  EXPECT_EQ(ErrorOf([&] { f.t->FieldNamed("x"); }), "cds0: Field 'x' not found");
  std::vector<std::string> names{"stale"};
  f.t->ListFieldNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"age", "first name"}));
  EXPECT_EQ(ErrorOf([&] { f.t->DefineField("more", ftString, 1, false); }),
            "cds0: Cannot perform this operation on an open dataset");
}

TEST(ClientDataSet, AppendsPostsAndWalksRows) {
  Fixture f;
  f.t->DefineField("a", ftString, 100, false);
  f.t->DefineField("b", ftString, 100, false);
  f.t->CreateTable();
  EXPECT_TRUE(f.t->Eof());
  EXPECT_TRUE(f.t->Fields(0).IsNull());  // no current row
  EXPECT_EQ(ErrorOf([&] { f.t->Fields(0).SetText("x"); }), "cds0: Dataset not in edit or insert mode");
  for (int i = 0; i < 3; ++i) {
    f.t->AppendRow();
    EXPECT_EQ(f.t->State(), TDataSetState::dsInsert);
    f.t->Fields(0).SetText("r" + std::to_string(i));
    f.t->PostRow();
    EXPECT_EQ(f.t->RecNo(), i);
  }
  EXPECT_EQ(f.t->RecordCount(), 3);
  EXPECT_TRUE(f.t->Fields(1).IsNull());
  EXPECT_EQ(f.t->Fields(1).DisplayText(), "");

  f.t->First();
  EXPECT_FALSE(f.t->Eof());
  EXPECT_EQ(*f.t->Fields(0).Value(), "r0");
  f.t->Prior();
  EXPECT_TRUE(f.t->Bof());
  EXPECT_EQ(f.t->RecNo(), 0);
  f.t->Next();
  f.t->Next();
  EXPECT_EQ(f.t->Fields(0).AsString(), "r2");
  EXPECT_FALSE(f.t->Eof());
  f.t->Next();
  EXPECT_TRUE(f.t->Eof());
  EXPECT_EQ(f.t->RecNo(), 2);
}

TEST(ClientDataSet, CloseDropsAnUnpostedRowAndKeepsTheOthers) {
  Fixture f;
  f.t->DefineField("a", ftString, 100, false);
  f.t->CreateTable();
  f.t->AppendRow();
  f.t->Fields(0).SetText("kept");
  f.t->AppendRow();  // posts the first
  f.t->Fields(0).SetText("dropped");
  f.t->Close();
  EXPECT_EQ(f.t->RecordCount(), 0);
  EXPECT_TRUE(f.t->Fields(0).IsNull());
  EXPECT_EQ(ErrorOf([&] { f.t->AppendRow(); }), "cds0: Cannot perform this operation on a closed dataset");
  f.t->Open();
  f.t->Open();
  EXPECT_EQ(f.t->RecordCount(), 1);
  EXPECT_EQ(f.t->Fields(0).AsString(), "kept");
}

TEST(ClientDataSet, CutsTextsToTheFieldSizeOnACharacterBoundary) {
  Fixture f;
  f.t->DefineField("s", ftString, 4, false);
  f.t->DefineField("m", ftMemo, 0, false);
  f.t->CreateTable();
  f.t->AppendRow();
  f.t->Fields(0).SetText("a\xE4\xB8\xAD\xE6\x96\x87");  // a中文: 7 bytes
  f.t->Fields(1).SetText(std::string(300, 'm'));
  f.t->PostRow();
  EXPECT_EQ(f.t->Fields(0).AsString(), "a\xE4\xB8\xAD");
  EXPECT_EQ(f.t->Fields(1).AsString().size(), 300u);  // large objects are not cut
  f.t->AppendRow();
  f.t->Fields(0).SetText(std::string("ab\0cd", 5));
  EXPECT_EQ(f.t->Fields(0).AsString(), "ab");
  {
    ScopedHostCodePage gbk("GBK");
    f.t->AppendRow();
    f.t->Fields(0).SetText("a\xD6\xD0\xCE\xC4");  // a中文 in GBK: 5 bytes
    EXPECT_EQ(f.t->Fields(0).AsString(), "a\xD6\xD0");
  }
}

TEST(ClientDataSet, AppendsWholeRows) {
  Fixture f;
  f.t->DefineField("a", ftString, 3, false);
  f.t->DefineField("b", ftString, 100, false);
  f.t->CreateTable();
  f.t->AppendRowValues({std::string("abcdef"), std::nullopt});
  f.t->AppendRows({std::string("x"), std::string("y"), std::nullopt, std::string("z")});
  EXPECT_EQ(f.t->RecordCount(), 3);
  EXPECT_EQ(*f.t->CellValue(0, 0), "abc");
  EXPECT_FALSE(f.t->CellValue(0, 1));
  EXPECT_EQ(*f.t->CellValue(2, 1), "z");
  EXPECT_FALSE(f.t->CellValue(3, 0));
  EXPECT_EQ(ErrorOf([&] { f.t->AppendRows({std::string("odd")}); }), "cds0: Wrong number of values for a row");
  EXPECT_EQ(f.t->RecNo(), 2);
}

TEST(ClientDataSet, BookmarksNameRows) {
  Fixture f;
  f.t->DefineField("a", ftString, 10, false);
  f.t->CreateTable();
  TBookmark none = f.t->MarkPosition();
  EXPECT_TRUE(none.Missing());
  f.t->AppendRows({std::string("0"), std::string("1"), std::string("2")});
  f.t->First();
  TBookmark first = f.t->MarkPosition();
  f.t->Next();
  TBookmark second = f.t->MarkPosition();
  EXPECT_EQ(f.t->CompareMarks(first, first), 0);
  EXPECT_NE(f.t->CompareMarks(first, second), 0);
  EXPECT_NE(f.t->CompareMarks(none, first), 0);
  EXPECT_EQ(f.t->CompareMarks(none, TBookmark{}), 0);
  f.t->GoToMark(first);
  EXPECT_EQ(f.t->Fields(0).AsString(), "0");
  f.t->ReleaseMark(first);
  EXPECT_TRUE(first.Missing());
  EXPECT_EQ(ErrorOf([&] { f.t->GoToMark(first); }), "cds0: Record not found");
}

TEST(ClientDataSet, DisplayTextGoesThroughTheHookAndCopyToWritesTheBytes) {
  Fixture f;
  f.t->DefineField("a", ftString, 10, false);
  f.t->CreateTable();
  f.t->AppendRowValues({std::string("v")});
  f.t->Fields(0).OnGetText = [](TField& field, std::string& text, bool display) {
    text = field.FieldName() + "=" + text + (display ? "!" : "");
  };
  EXPECT_EQ(f.t->Fields(0).DisplayText(), "a=v!");
  EXPECT_EQ(f.t->Fields(0).AsString(), "v");
  TMemoryStream out;
  f.t->Fields(0).CopyTo(out);
  EXPECT_EQ(out.Bytes(), "v");
}

TEST(ClientDataSet, NotificationsNest) {
  TClientDataSet t;
  t.SuspendNotifications();
  t.SuspendNotifications();
  t.ResumeNotifications();
  EXPECT_TRUE(t.NotificationsSuspended());
  t.ResumeNotifications();
  t.ResumeNotifications();
  EXPECT_FALSE(t.NotificationsSuspended());
}

TEST(ClientDataSet, AnUncreatedTableOpensEmpty) {
  TClientDataSet t;
  t.Open();
  EXPECT_TRUE(t.Active());
  EXPECT_EQ(t.FieldCount(), 0);
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(FieldTypeName(ftString), std::string("ftString"));
  EXPECT_EQ(FieldTypeName(ftFMTBcd), std::string("ftFMTBcd"));
  EXPECT_TRUE(IsBlobType(ftMemo));
  EXPECT_FALSE(IsBlobType(ftWideString));
}

}  // namespace
}  // namespace lf
