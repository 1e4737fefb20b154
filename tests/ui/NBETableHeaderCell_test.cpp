// The editable header: its text rule, and the header view that edits a section in place and posts
// "TableHeaderEditNotification" once when the edit ends.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include "QtTestApp.h"
#include "platform/AppContext.h"
#include "platform/NotificationCenter.h"
#include "ui/controls/NBETableHeaderCell.h"

namespace td {
namespace {

TEST(NBETableHeaderCellFilter, KeepsDigitsAndDropsASecondPointTypedAtTheEnd) {
  EXPECT_EQ(NBETableHeaderCell::filterText("12a"), "12");
  EXPECT_EQ(NBETableHeaderCell::filterText("1.5."), "1.5");
  EXPECT_EQ(NBETableHeaderCell::filterText(""), "");
  EXPECT_EQ(NBETableHeaderCell::filterText("1,000.50"), "1000.50") << "pasted";
  EXPECT_EQ(NBETableHeaderCell::filterText("1.2.3"), "1.2.3") << "a second point inside the text stays";
  EXPECT_EQ(NBETableHeaderCell::filterText("Quantity5"), "5");
  EXPECT_EQ(NBETableHeaderCell::filterText("1,000.5."), "1000.5") << "what stays is filtered too";
  EXPECT_EQ(NBETableHeaderCell::filterText("."), ".");
}

class HeaderEditTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::qtTestApp(); }
  void SetUp() override {
    model_.setHorizontalHeaderLabels({"Account", "Quantity"});
    header_ = new NBETableHeaderView(Qt::Horizontal, &table_);
    table_.setHorizontalHeader(header_);
    table_.setModel(&model_);
    header_->setEditableSection(1);
    table_.resize(400, 200);
    table_.show();
    token_ = context_->notificationCenter()->addObserver(NBETableHeaderCell::kEditNotification,
                                                        [this](const Notification& n) {
                                                          const auto* text = n.objectAs<std::string>();
                                                          posted_.push_back(text ? *text : "<not a text>");
                                                        });
  }
  void TearDown() override { context_->notificationCenter()->removeObserver(token_); }

  ScopedAppContext context_{std::make_shared<AppContext>(std::make_shared<LoginInputdata>(ServerPresets{}))};
  QStandardItemModel model_{2, 2};
  QTableView table_;
  NBETableHeaderView* header_ = nullptr;
  ObserverToken token_ = 0;
  std::vector<std::string> posted_;
};

TEST_F(HeaderEditTest, DoubleClickEditsOnlyTheEditableSection) {
  const QPoint account(header_->sectionViewportPosition(0) + 5, 5);
  QTest::mouseDClick(header_->viewport(), Qt::LeftButton, {}, account);
  EXPECT_FALSE(header_->isEditing());
  const QPoint quantity(header_->sectionViewportPosition(1) + 5, 5);
  QTest::mouseDClick(header_->viewport(), Qt::LeftButton, {}, quantity);
  ASSERT_TRUE(header_->isEditing());
  EXPECT_EQ(header_->editedSection(), 1);
  EXPECT_EQ(header_->editor()->text(), "Quantity");
  EXPECT_EQ(header_->editor()->selectedText(), "Quantity");
}

TEST_F(HeaderEditTest, TypedTextStaysNumericAndEndingPostsItOnce) {
  header_->editSection(1);
  QLineEdit* editor = header_->editor();
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "12a.5.");
  EXPECT_EQ(editor->text(), "12.5");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_FALSE(header_->isEditing());
  QApplication::processEvents();  // the focus leaving afterwards must not post again
  EXPECT_EQ(posted_, std::vector<std::string>{"12.5"});
  EXPECT_EQ(model_.headerData(1, Qt::Horizontal).toString(), "12.5");
}

TEST_F(HeaderEditTest, DeletingEverythingPostsTheEmptyText) {
  header_->editSection(1);
  QTest::keyClick(header_->editor(), Qt::Key_Backspace);
  EXPECT_EQ(header_->editor()->text(), "");
  QTest::keyClick(header_->editor(), Qt::Key_Escape);
  EXPECT_EQ(posted_, std::vector<std::string>{""});
}

TEST_F(HeaderEditTest, FocusRingAroundTheEditedSectionAndRoomForTheEditor) {
  header_->editSection(1);
  const QImage image = header_->viewport()->grab().toImage();
  const int x = header_->sectionViewportPosition(1);
  EXPECT_EQ(image.pixelColor(x + 1, header_->height() / 2), header_->palette().color(QPalette::Active, QPalette::Highlight));
  EXPECT_GE(header_->editor()->height(), header_->editor()->sizeHint().height());
  QTest::keyClick(header_->editor(), Qt::Key_Return);
  const QImage after = header_->viewport()->grab().toImage();
  EXPECT_NE(after.pixelColor(x + 1, header_->height() / 2), header_->palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(HeaderEditTest, SecondEditWaitsForTheFirstToEnd) {
  header_->editSection(1);
  QLineEdit* first = header_->editor();
  header_->editSection(0);
  EXPECT_EQ(header_->editor(), first);
  EXPECT_EQ(header_->editedSection(), 1);
  header_->editSection(7);
  EXPECT_EQ(header_->editedSection(), 1);
}

}  // namespace
}  // namespace td
