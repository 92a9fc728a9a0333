// Localized strings: the built-in table and the localization callback.
#include <gtest/gtest.h>

#include "engine/expr/locale.h"

namespace lf {
namespace {

TEST(StringTable, QuotedTextsLoadAndMissingNumbersAreEmpty) {
  EXPECT_EQ(LoadLocalizedString(55439), "Undefined symbol");
  EXPECT_EQ(LoadLocalizedString(55200), "An error occured during calculating");
  EXPECT_EQ(LoadLocalizedString(55077), "Report title");
  EXPECT_EQ(LoadLocalizedString(55099), "None");
  EXPECT_EQ(LoadLocalizedString(55337), "1");
  EXPECT_EQ(LoadLocalizedString(53048),
            "Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12");
  for (int missing : {55349, 55360, 55416, 55005, 55228, 53420, 0, -1})
    EXPECT_EQ(LoadLocalizedString(missing), "") << missing;
}

TEST(StringTable, IsSortedWithoutDuplicates) {
  size_t count = 0;
  const TStringTableEntry* t = StringTable(count);
  ASSERT_GT(count, 100u);
  for (size_t i = 1; i < count; ++i) EXPECT_LT(t[i - 1].Number, t[i].Number) << t[i].Number;
}

TEST(StringTable, CallbackTextWinsAndIsCutTo1023) {
  TfrLocale& locale = frLocale();
  locale.OnLocalize = [](int number, std::string& text) {
    if (number == 55000) text = "Okay";
    if (number == 1) text = std::string(2000, 'x');
  };
  EXPECT_EQ(LoadLocalizedString(55000), "Okay");
  EXPECT_EQ(LoadLocalizedString(55001), "Cancel");
  EXPECT_EQ(LoadLocalizedString(1).size(), kMaxLocalizedStringLength);
  locale.OnLocalize = nullptr;
  EXPECT_EQ(LoadLocalizedString(55000), "OK");
}

}  // namespace
}  // namespace lf
