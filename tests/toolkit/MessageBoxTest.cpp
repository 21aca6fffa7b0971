#include "toolkit/MessageBox.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Recorded {
  std::string text, caption;
  MessageBox::Buttons buttons;
  MessageBox::Icon icon;
};

TEST(MessageBoxService, InstalledServiceReceivesBoxesAndAnswers) {
  std::vector<Recorded> boxes;
  auto previous = MessageBox::SetService(
      [&](const std::string& text, const std::string& caption, MessageBox::Buttons b, MessageBox::Icon i) {
        boxes.push_back({text, caption, b, i});
        return MessageBox::Result::No;
      });
  EXPECT_EQ(MessageBox::Show("Text", "Titel", MessageBox::Buttons::YesNoCancel, MessageBox::Icon::Question),
            MessageBox::Result::No);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Text");
  EXPECT_EQ(boxes[0].caption, "Titel");
  EXPECT_EQ(boxes[0].buttons, MessageBox::Buttons::YesNoCancel);
  EXPECT_EQ(boxes[0].icon, MessageBox::Icon::Question);
  MessageBox::SetService(previous);
}

TEST(MessageBoxService, FallbackWritesToStandardErrorAndNeverAgrees) {
  auto previous = MessageBox::SetService({});
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBox::Show("Zeile", "Fehler"), MessageBox::Result::Ok);
  EXPECT_EQ(MessageBox::Show("Speichern?", "Frage", MessageBox::Buttons::YesNoCancel), MessageBox::Result::Cancel);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("[Fehler] Zeile"), std::string::npos);
  EXPECT_NE(err.find("[Frage] Speichern?"), std::string::npos);
  MessageBox::SetService(previous);
}

TEST(MessageBoxService, OwnerIsKnownToTheServiceWhileItsBoxIsShown) {
  int window = 0;
  auto* owner = reinterpret_cast<NativeWindow>(&window);
  std::vector<NativeWindow> owners;
  auto previous =
      MessageBox::SetService([&](const std::string& text, const std::string&, MessageBox::Buttons, MessageBox::Icon) {
        owners.push_back(MessageBox::Owner());
        // A box without owner shown while the owned one is up has none.
        if (text == "außen") MessageBox::Show("innen", "Titel");
        return MessageBox::Result::Yes;
      });
  EXPECT_EQ(MessageBox::Show(owner, "außen", "Löschen", MessageBox::Buttons::YesNo, MessageBox::Icon::Question),
            MessageBox::Result::Yes);
  EXPECT_EQ(MessageBox::Owner(), nullptr);
  EXPECT_EQ(owners, (std::vector<NativeWindow>{owner, nullptr}));
  MessageBox::SetService(previous);
}

TEST(MessageBoxService, FallbackRefusesYesNoQuestions) {
  auto previous = MessageBox::SetService({});
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBox::Show(nullptr, "Löschen?", "Löschen", MessageBox::Buttons::YesNo), MessageBox::Result::No);
  testing::internal::GetCapturedStderr();
  MessageBox::SetService(previous);
}

}  // namespace
