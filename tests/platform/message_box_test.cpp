// Tests of the message box service: default buttons, the headless line on
// standard error and the recording handler.
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace lf {
namespace {

TEST(MessageBox, DefaultButtonFollowsExplicitIdThenPositionBits) {
  EXPECT_EQ(ResolveDefaultButton(mbOK, 0), idOK);
  EXPECT_EQ(ResolveDefaultButton(mbYesNo, idNo), idNo);
  EXPECT_EQ(ResolveDefaultButton(mbYesNo | mbDefButton2, 0), idNo);
  EXPECT_EQ(ResolveDefaultButton(mbYesNoCancel | mbDefButton3 | mbIconQuestion, 0), idCancel);
  // An id not in the set and a position past the last button fall back to the first.
  EXPECT_EQ(ResolveDefaultButton(mbOKCancel, idYes), idOK);
  EXPECT_EQ(ResolveDefaultButton(mbOK | mbDefButton3, 0), idOK);
  // An unknown button set shows one OK button.
  EXPECT_EQ(MessageBoxButtons(0xE), std::vector<int>{idOK});
}

TEST(MessageBox, HeadlessWritesCaptionAndTextInUtf8AndAnswersDefault) {
  ScopedHostCodePage gbk("GBK");
  std::string caption = Utf8ToHost("错误");
  std::string text = Utf8ToHost("加载数据失败,错误号0");
  testing::internal::CaptureStderr();
  int result = ShowMessageBox(caption, text, mbOKCancel | mbDefButton2);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "错误: 加载数据失败,错误号0\n");
  EXPECT_EQ(result, idCancel);

  testing::internal::CaptureStderr();
  EXPECT_EQ(InputBox("Name", "Enter", "abc"), "abc");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Name: Enter\n");
}

TEST(MessageBox, RecordingServiceCapturesAndRestoresPrevious) {
  RecordingMessageService outer, inner;
  ScopedMessageService a(&outer);
  {
    ScopedMessageService b(&inner);
    inner.replies = {idNo};
    inner.inputReplies = {"typed"};
    EXPECT_EQ(ShowMessageBox("C", "T", mbYesNo | mbIconWarning), idNo);
    EXPECT_EQ(ShowMessageBox("C2", "T2", mbYesNo), idYes);
    EXPECT_EQ(InputBox("IC", "IP", "def"), "typed");
    EXPECT_EQ(InputBox("IC", "IP", "def"), "def");
  }
  ShowMessageBox("outer", "x");
  ASSERT_EQ(inner.boxes.size(), 2u);
  EXPECT_EQ(inner.boxes[0].caption, "C");
  EXPECT_EQ(inner.boxes[0].flags, mbYesNo | mbIconWarning);
  EXPECT_EQ(inner.boxes[0].defaultButton, idYes);
  ASSERT_EQ(inner.inputs.size(), 2u);
  EXPECT_EQ(inner.inputs[0].prompt, "IP");
  ASSERT_EQ(outer.boxes.size(), 1u);
  EXPECT_EQ(outer.boxes[0].text, "x");
}

}  // namespace
}  // namespace lf
