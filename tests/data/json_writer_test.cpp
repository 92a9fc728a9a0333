// Tests of the compact JSON writer, number texts, member order and name list.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "data/double_text.h"
#include "data/json_parser.h"
#include "data/json_table.h"
#include "data/json_writer.h"
#include "platform/code_page.h"

namespace lf {
namespace {

std::string Written(const IJsonValue& v) { return Utf16ToUtf8(WriteText(v)); }

TEST(GcvtText, WritesFifteenSignificantDigitsInTheRuntimeForm) {
  struct {
    double value;
    const char* text;
  } cases[] = {{12.0, "12."},
               {0.0, "0."},
               {100.0, "100."},
               {0.5, "0.5"},
               {3.14159, "3.14159"},
               {-2.5, "-2.5"},
               {0.1 + 0.2, "0.3"},
               {0.123456789012345678, "0.123456789012346"},
               {0.05, "5.e-002"},  // fixed notation only down to an exponent of -1
               {-1.5e-10, "-1.5e-010"},
               {123456789012345.0, "123456789012345."},
               {1e15, "1.e+015"},
               {1234567890123456.0, "1.23456789012346e+015"},
               {1e300, "1.e+300"},
               {999999999999999.9, "1.e+015"},  // rounding carries into the exponent
               {std::numeric_limits<double>::infinity(), "1.#INF"},
               {-std::numeric_limits<double>::infinity(), "-1.#INF"},
               {std::nan(""), "-1.#IND"}};
  for (const auto& c : cases) EXPECT_EQ(GcvtText(c.value), c.text) << c.value;
}

TEST(JsonWriter, CurrencyText) {
  EXPECT_EQ(CurrencyText(125000), "12.5");
  EXPECT_EQ(CurrencyText(120000), "12.");
  EXPECT_EQ(CurrencyText(5000), "0.5");
  EXPECT_EQ(CurrencyText(1), "0.0001");
  EXPECT_EQ(CurrencyText(-32500), "-3.25");
  EXPECT_EQ(CurrencyText(0), "0");
  EXPECT_EQ(CurrencyText(INT64_MIN), "-922337203685477.5808");
  // Written currency text reads back as the same currency.
  IJsonValue again = ParseUtf8Text(CurrencyText(120000));
  ASSERT_EQ(again->Kind(), TJsonKind::jkCurrency);
  EXPECT_EQ(again->CurrencyValue(), 120000);
}

// The double 0 and the currency 0 are written differently, so a double 0
// changes kind and text once on a round trip and then stays.
TEST(JsonWriter, DoubleZeroSettlesAsCurrencyZero) {
  IJsonValue d = ParseUtf8Text("0e1");
  ASSERT_EQ(d->Kind(), TJsonKind::jkDouble);
  EXPECT_EQ(Written(d), "0.");
  IJsonValue c = ParseText(WriteText(d));
  ASSERT_EQ(c->Kind(), TJsonKind::jkCurrency);
  EXPECT_EQ(c->CurrencyValue(), 0);
  EXPECT_EQ(Written(c), "0");
  EXPECT_EQ(Written(ParseText(WriteText(c))), "0");
}

TEST(JsonWriter, MembersComeInHashOrder) {
  EXPECT_EQ(JsonNameHash(u""), 0u);
  EXPECT_EQ(JsonNameHash(u"a"), 0x9E370062u);
  EXPECT_EQ(JsonNameHash(u"b"), 0x9E370063u);
  EXPECT_EQ(Written(ParseUtf8Text("{\"id\":\"1\",\"name\":\"Zhang\",\"age\":\"30\"}")),
            "{\"age\":\"30\",\"id\":\"1\",\"name\":\"Zhang\"}");
  EXPECT_EQ(Written(ParseUtf8Text("{\"a\":1,\"b\":2}")), "{\"b\":2,\"a\":1}");
}

TEST(JsonWriter, EscapesOnlyNulQuoteSlashAndBackslash) {
  EXPECT_EQ(Written(TJsonValue::String(u"a/b")), "\"a\\/b\"");
  EXPECT_EQ(Written(TJsonValue::String(u"line\nbreak\t")), "\"line\nbreak\t\"");
  EXPECT_EQ(Written(TJsonValue::String(u"\u4E2D\u6587")), "\"\xE4\xB8\xAD\xE6\x96\x87\"");
  EXPECT_EQ(Written(TJsonValue::String(std::u16string(u"q\"b\\\0", 5))), "\"q\\\"b\\\\\\u0000\"");
  IJsonValue obj = TJsonValue::NewObject();
  obj->Table()->Put(u"k\"/", TJsonValue::Null());
  EXPECT_EQ(Written(obj), "{\"k\\\"\\/\":null}");
}

TEST(JsonWriter, EmptyContainersAndMissingEntries) {
  IJsonValue a = TJsonValue::NewArray();
  EXPECT_EQ(Written(a), "[]");
  a->Array()->Put(2, TJsonValue::Boolean(false));
  EXPECT_EQ(Written(a), "[null,null,false]");
  EXPECT_EQ(Written(TJsonValue::NewObject()), "{}");
  EXPECT_EQ(Written(IJsonValue()), "null");
}

TEST(JsonWriter, LeavesOutAValueThatHoldsItself) {
  IJsonValue a = TJsonValue::NewArray();
  a->Array()->Add(a);
  a->Array()->Add(TJsonValue::Integer(1));
  EXPECT_EQ(Written(a), "[1]");
  IJsonValue o = TJsonValue::NewObject();
  o->Table()->Put(u"a", o);
  o->Table()->Put(u"b", TJsonValue::Integer(2));
  EXPECT_EQ(Written(o), "{\"b\":2}");
  // The guard is lifted once writing ends.
  EXPECT_FALSE(a->Writing());
  a->Array()->Put(0, IJsonValue());  // break the cycles
  o->Table()->Put(u"a", IJsonValue());
}

TEST(JsonWriter, StringOrTextAndNameList) {
  EXPECT_EQ(StringOrText(TJsonValue::String(u"a\"b")), u"a\"b");
  EXPECT_EQ(StringOrText(TJsonValue::Integer(-4)), u"-4");
  IJsonValue obj = ParseUtf8Text("{\"id\":1,\"name\":2,\"age\":3}");
  IJsonValue names = NameList(*ObjectTable(obj));
  EXPECT_EQ(Written(names), "[\"age\",\"id\",\"name\"]");
}

TEST(JsonTable, StaysBalancedAndOrdered) {
  TJsonTable t;
  std::vector<std::u16string> names;
  for (int i = 0; i < 500; ++i) {
    std::u16string n = u"k" + Utf8ToUtf16(std::to_string((i * 7919) % 1000));
    t.Put(n, TJsonValue::Integer(i));
  }
  t.Put(u"k0", TJsonValue::Integer(-1));  // replaces in place
  EXPECT_EQ(t.Count(), 500u);
  EXPECT_EQ(t.Get(u"k0")->IntValue(), -1);
  EXPECT_FALSE(t.Get(u"absent"));
  const TJsonAvlTree& tree = t.Tree();
  for (size_t i = 0; i < tree.Count(); ++i) {
    int b = tree.Balance(static_cast<int32_t>(i));
    EXPECT_TRUE(b >= -1 && b <= 1);
  }
  EXPECT_LE(tree.Entry(tree.Root()).height, 12);
  const TJsonAvlEntry* prev = nullptr;
  size_t seen = 0;
  t.ForEach([&](const TJsonAvlEntry& e) {
    if (prev) {
      EXPECT_TRUE(JsonEntryBefore(prev->hash, prev->name, e.hash, e.name));
    }
    prev = &e;
    ++seen;
  });
  EXPECT_EQ(seen, 500u);
}

TEST(JsonTable, EqualHashesOrderByName) {
  EXPECT_TRUE(JsonEntryBefore(5, u"ab", 5, u"b"));
  EXPECT_TRUE(JsonEntryBefore(5, u"a", 5, u"ab"));  // a prefix first
  EXPECT_TRUE(JsonEntryBefore(5, u"a", 5, u"\uFF21"));  // code units unsigned
  EXPECT_TRUE(JsonEntryBefore(6, u"z", 5, u"a"));
}

TEST(JsonValue, SharedValuesLiveAsLongAsAHolder) {
  IJsonValue s = TJsonValue::String(u"x");
  {
    IJsonValue a = TJsonValue::NewArray();
    a->Array()->Add(s);
    EXPECT_EQ(s->RefCount(), 2);
  }
  EXPECT_EQ(s->RefCount(), 1);
  EXPECT_EQ(ArrayValue(s), nullptr);
  EXPECT_EQ(ObjectTable(s), nullptr);
  EXPECT_FALSE(ElementAt(*ArrayValue(TJsonValue::NewArray()), 0));
}

}  // namespace
}  // namespace lf
