#include "ui/QtSessionShell.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>

#include "QtTestApp.h"
#include "platform/Log.h"
#include "platform/ManualMainQueue.h"

namespace td {
namespace {

class QtSessionShellTest : public ::testing::Test {
 protected:
  QtSessionShellTest() {
    test::qtTestApp();
    QtSessionShell::Hooks hooks;
    hooks.quit = [this] { ++quits_; };
    hooks.openWebAddress = [this](const std::string& address) {
      opened_.push_back(address);
      return false;  // the desktop refuses
    };
    hooks.text = [](const char* key) { return std::string("text-") + key; };
    shell_ = std::make_unique<QtSessionShell>(queue_, hooks);
  }

  ManualMainQueue queue_;
  std::unique_ptr<QtSessionShell> shell_;
  int quits_ = 0;
  std::vector<std::string> opened_;
};

TEST_F(QtSessionShellTest, TheUpdatePromptOffersDownloadAndLaterAndOtherTagsOneButton) {
  SessionAlert update;
  update.tag = 3;
  update.title = "TarnwickDesk";
  update.message = "100% new";
  std::unique_ptr<QMessageBox> box(shell_->makeAlertBox(update, nullptr));
  ASSERT_EQ(box->buttons().size(), 2);
  EXPECT_EQ(box->defaultButton()->text(), "text-8229");
  EXPECT_EQ(box->informativeText(), "100% new");  // the per-cent sign stays literal
  SessionAlert plain;
  plain.tag = 1;
  std::unique_ptr<QMessageBox> one(shell_->makeAlertBox(plain, nullptr));
  ASSERT_EQ(one->buttons().size(), 1);
  EXPECT_EQ(one->buttons()[0]->text(), "text-0167");
}

TEST_F(QtSessionShellTest, DownloadOpensTheAddressAndQuitsEvenWhenItCannotBeOpened) {
  std::vector<std::string> lines;
  log::setSink([&](log::Level, std::string_view line) { lines.emplace_back(line); });
  shell_->updateAnswer(false, "https://example.com/new");
  EXPECT_EQ(quits_, 0);
  EXPECT_TRUE(opened_.empty());
  shell_->updateAnswer(true, "https://example.com/new");
  log::setSink({});
  EXPECT_EQ(opened_, std::vector<std::string>{"https://example.com/new"});
  EXPECT_EQ(quits_, 1);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("Failed to open url: https://example.com/new"), std::string::npos);
}

TEST_F(QtSessionShellTest, ClosingTheLoggedInElsewhereAlertQuits) {
  SessionAlert elsewhere;
  elsewhere.tag = 1;
  elsewhere.message = "logged in elsewhere";
  shell_->showAlert(elsewhere);
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  ASSERT_NE(box, nullptr);
  box->buttons()[0]->click();
  EXPECT_EQ(quits_, 1);
}

}  // namespace
}  // namespace td
