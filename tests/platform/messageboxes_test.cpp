#include "platform/portable/messageboxes.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(RecordingMessageBoxes, AnswersFromTheScriptAndRecordsEveryBox) {
  RecordingMessageBoxes boxes;
  boxes.Answer(kIdNo);
  boxes.Answer(kIdOk);
  EXPECT_EQ(boxes.Show(0x1234, "Continue?", "Setup", kMbYesNo | kMbIconQuestion | kMbDefButton2), kIdNo);
  EXPECT_EQ(boxes.Show(0, "Done", "Setup", kMbOk | kMbIconError), kIdOk);
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  const RecordedBox& first = boxes.Boxes()[0];
  EXPECT_EQ(first.owner, 0x1234u);
  EXPECT_EQ(first.text, "Continue?");
  EXPECT_EQ(first.caption, "Setup");
  EXPECT_EQ(first.flags, kMbYesNo | kMbIconQuestion | kMbDefButton2);
  EXPECT_EQ(first.answer, kIdNo);
  EXPECT_EQ(boxes.UnexpectedCount(), 0u);
  EXPECT_EQ(boxes.PendingAnswers(), 0u);
}

TEST(RecordingMessageBoxes, UnscriptedOrUnfittingBoxesCannotGoUnnoticed) {
  RecordingMessageBoxes boxes;
  EXPECT_THROW(boxes.Show(0, "Surprise", "Cap", kMbOk), UnexpectedMessageBox);
  boxes.Answer(kIdYes);
  EXPECT_THROW(boxes.Show(0, "OK only", "Cap", kMbOk | kMbIconError), UnexpectedMessageBox);
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.UnexpectedCount(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Surprise");
  EXPECT_FALSE(boxes.Boxes()[1].expected);

  boxes.SetDefaultAnswer(kIdOk);
  EXPECT_EQ(boxes.Show(0, "Lenient", "Cap", kMbOk), kIdOk);
  EXPECT_THROW(boxes.Show(0, "Yes or no", "Cap", kMbYesNo), UnexpectedMessageBox);

  struct Case {
    unsigned flags;
    int button;
    bool fits;
  } cases[] = {{kMbOk, kIdOk, true},
               {kMbOk, kIdYes, false},
               {kMbYesNo, kIdYes, true},
               {kMbYesNo, kIdNo, true},
               {kMbYesNo, kIdOk, false},
               {0x1, 2, true},
               {0x3, 2, true},
               {0x5, 4, true},
               {0x2, 5, true},
               {0x6, kIdOk, false},
               {kMbYesNo | kMbIconError, kIdNo, true}};
  for (auto& c : cases) EXPECT_EQ(ButtonFits(c.flags, c.button), c.fits) << c.flags << " " << c.button;
}

TEST(RecordingMessageBoxes, ReportsBoxesItDidNotExpect) {
  RecordingMessageBoxes boxes;
  std::vector<std::string> surprises;
  boxes.onUnexpected = [&](const std::string& m) { surprises.push_back(m); };
  boxes.ExpectBox({"Text", std::nullopt, std::nullopt, std::nullopt, kIdYes, {}});
  boxes.ExpectBox("A", "B", kMbYesNo, kIdYes);
  EXPECT_EQ(boxes.Show(0, "Text", "any caption", 0x24), kIdYes);               // caption and flags unchecked
  EXPECT_EQ(boxes.Show(0x1234, "A", "B", kMbYesNo | kMbIconQuestion), kIdNo);  // flags differ
  EXPECT_EQ(boxes.Show(0, "more", "C", kMbOk), kIdOk);                         // nothing expected
  ASSERT_EQ(surprises.size(), 2u);
  EXPECT_NE(surprises[0].find("does not match"), std::string::npos);
  EXPECT_NE(surprises[1].find("unexpected message box"), std::string::npos);
  ASSERT_EQ(boxes.Boxes().size(), 3u);
  EXPECT_EQ(boxes.Boxes()[1].owner, 0x1234u);

  boxes.ExpectBox("never", "shown", 0, kIdOk);
  EXPECT_NE(boxes.Unmet().find("never"), std::string::npos);
}

}  // namespace
}  // namespace qs
