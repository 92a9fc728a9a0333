// Tests of the JSON document printed for record tables.
#include <gtest/gtest.h>

#include "control/tables_json.h"
#include "data/data_tables.h"
#include "platform/code_page.h"

namespace lf {
namespace {

TEST(TablesJson, PrintsNamesFieldsAndRows) {
  TComponent owner;
  std::vector<TClientDataSet*> tables;
  LoadDataTables(R"([{"id":"1","name":"Zhang","age":"30"},{"id":"2","name":"Li"}] [])", owner, tables);
  EXPECT_EQ(TablesToJson(tables),
            "{\"tables\":[{\"name\":\"cds0\",\"fields\":[{\"name\":\"age\",\"type\":\"ftString\",\"size\":100},"
            "{\"name\":\"id\",\"type\":\"ftString\",\"size\":100},{\"name\":\"name\",\"type\":\"ftString\",\"size\":100}],"
            "\"rows\":[[\"30\",\"1\",\"Zhang\"],[null,\"2\",\"Li\"]]},"
            "{\"name\":\"cds1\",\"fields\":[],\"rows\":[]}]}\n");
}

TEST(TablesJson, EscapesTextAndAddsTheError) {
  TComponent owner;
  std::vector<TClientDataSet*> tables;
  LoadDataTables("[{\"k\":\"q\\\"/\\\\\\n\\u0001\"}]", owner, tables);
  std::string error = "data table 1 at byte 3: \"x\"";
  EXPECT_EQ(TablesToJson(tables, &error),
            "{\"tables\":[{\"name\":\"cds0\",\"fields\":[{\"name\":\"k\",\"type\":\"ftString\",\"size\":100}],"
            "\"rows\":[[\"q\\\"/\\\\\\n\\u0001\"]]}],\"error\":\"data table 1 at byte 3: \\\"x\\\"\"}\n");
}

TEST(TablesJson, ConvertsFromTheHostCodePageAndSkipsFailedTables) {
  ScopedHostCodePage cp("CP1251");
  TComponent owner;
  std::vector<TClientDataSet*> tables;
  try {
    LoadDataTables("[{\"\xC8\xEC\xFF\":\"\xCF\xE5\xF2\xF0\"}] [{\"a\":1,\"A\":2}]", owner, tables);
  } catch (const EDatabaseError&) {
  }
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(TablesToJson(tables),
            "{\"tables\":[{\"name\":\"cds0\",\"fields\":[{\"name\":\"\xD0\x98\xD0\xBC\xD1\x8F\",\"type\":\"ftString\","
            "\"size\":100}],\"rows\":[[\"\xD0\x9F\xD0\xB5\xD1\x82\xD1\x80\"]]}]}\n");
}

}  // namespace
}  // namespace lf
