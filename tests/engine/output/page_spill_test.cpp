// Prepared page streams past the memory budget: moved to the spill file,
// read back for drawing, written out to prepared-report files as they were,
// and brought back when preparation writes to them again.
#include <gtest/gtest.h>

#include <string>

#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/output/emf_pages.h"
#include "platform/stream.h"
#include "prepared_pages_sample.h"

namespace lf {
namespace {

// Pages of one text each, every page finished as preparation finishes it.
void Fill(TfrEMFPages& list, int pages) {
  TfrPage a4(9, 2100, 2970, -1, false);
  for (int i = 0; i < pages; ++i) {
    list.Add(a4);
    TfrMemoView memo;
    memo.SetBounds(20, 20, 200, 18);
    memo.WorkLines = {"Row " + std::to_string(i)};
    AppendRecord(list.PageAt(i), memo);
    if (i > 0) list.PageFinished(i - 1);
  }
}

std::string Frp(TfrEMFPages& list) {
  TMemoryStream out;
  list.WriteToStream(&out);
  return out.Bytes();
}

TEST(PageSpill, PagesPastTheBudgetMoveToTheFileAndReadBackTheSame) {
  TfrEMFPages kept(nullptr), spilled(nullptr);
  spilled.MemoryBudget = 200;  // bytes: a few pages
  Fill(kept, 40);
  Fill(spilled, 40);
  EXPECT_EQ(kept.SpilledBytes(), 0);
  EXPECT_GT(spilled.SpilledBytes(), 0);
  int inMemory = 0;
  for (int i = 0; i < spilled.Count(); ++i) inMemory += spilled.PageAt(i).Stream ? 1 : 0;
  EXPECT_LT(inMemory, 10);
  EXPECT_TRUE(spilled.PageAt(39).Stream);  // the page being formed stays

  // The prepared-report file is the same byte for byte, and leaves the
  // spilled pages in the file.
  EXPECT_EQ(Frp(spilled), Frp(kept));
  EXPECT_FALSE(spilled.PageAt(0).Stream);

  // Loading a spilled page gives its objects without keeping its stream.
  spilled.LoadPage(3);
  ASSERT_EQ(spilled.PageAt(3).Page->Objects.size(), 1u);
  EXPECT_EQ(spilled.PageAt(3).Page->Objects[0]->Memo, (TfrLines{"Row 3"}));
  EXPECT_FALSE(spilled.PageAt(3).Stream);
  spilled.PageAt(3).Page.reset();

  // A page written to again comes back to memory with its records.
  TMemoryStream& s = spilled.StreamAt(5);
  EXPECT_EQ(s.Bytes(), kept.StreamAt(5).Bytes());
  EXPECT_TRUE(spilled.PageAt(5).Stream);

  // Deleting pages keeps the others where they were.
  spilled.Delete(0);
  kept.Delete(0);
  EXPECT_EQ(Frp(spilled), Frp(kept));
  spilled.Clear();
  EXPECT_EQ(spilled.SpilledBytes(), 0);
}

}  // namespace
}  // namespace lf
