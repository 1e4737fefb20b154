// The number fields: the decimal and whole-number rules on the change about to be made, and the Qt
// fields that apply them to what the user types, pastes and deletes (not to what the program sets).

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include "QtTestApp.h"
#include "ui/controls/NumericFields.h"
#include "ui/controls/NumericFilter.h"

namespace td {
namespace {

TextChange insertAt(qsizetype at, const QString& text) { return TextChange{at, 0, text}; }

TEST(DecimalFilter, AdmitsDigitsAndOnePointInTheResultingText) {
  EXPECT_TRUE(NumericFilter::admitsDecimal("", insertAt(0, "12.5")));
  EXPECT_TRUE(NumericFilter::admitsDecimal("12", insertAt(2, ".")));
  EXPECT_FALSE(NumericFilter::admitsDecimal("1.5", insertAt(3, "."))) << "second point typed";
  EXPECT_FALSE(NumericFilter::admitsDecimal("15", insertAt(0, "1.2.3"))) << "paste with two points";
  EXPECT_FALSE(NumericFilter::admitsDecimal("1.5", insertAt(1, "2.0"))) << "pasted point beside the old one";
  EXPECT_TRUE(NumericFilter::admitsDecimal("1.5", TextChange{1, 2, ".7"})) << "the old point is replaced";
  EXPECT_FALSE(NumericFilter::admitsDecimal("", insertAt(0, "1,000")));
  EXPECT_FALSE(NumericFilter::admitsDecimal("", insertAt(0, "-1")));
  EXPECT_FALSE(NumericFilter::admitsDecimal("", insertAt(0, QString::fromUtf8("١٢")))) << "only ASCII digits";
}

TEST(DecimalFilter, DeletionIsAlwaysAdmitted) {
  EXPECT_TRUE(NumericFilter::admitsDecimal("1.2.3-x", TextChange{6, 1, ""}));
  EXPECT_TRUE(NumericFilter::admitsDecimal("", TextChange{0, 0, ""}));
}

TEST(WholeNumberFilter, AdmitsAtMostFiveDigits) {
  EXPECT_TRUE(NumericFilter::admitsWholeNumber("1234", insertAt(4, "5")));
  EXPECT_FALSE(NumericFilter::admitsWholeNumber("12345", insertAt(5, "6"))) << "a sixth digit";
  EXPECT_TRUE(NumericFilter::admitsWholeNumber("12345", TextChange{1, 2, "99"})) << "two digits for two";
  EXPECT_FALSE(NumericFilter::admitsWholeNumber("12345", TextChange{1, 2, "999"}));
  EXPECT_FALSE(NumericFilter::admitsWholeNumber("12", insertAt(2, ".")));
  EXPECT_FALSE(NumericFilter::admitsWholeNumber("12", insertAt(0, "-")));
  EXPECT_FALSE(NumericFilter::admitsWholeNumber("12", insertAt(0, "+")));
}

TEST(WholeNumberFilter, DeletionIsAdmittedAlsoFromAProgramSetLongerText) {
  EXPECT_TRUE(NumericFilter::admitsWholeNumber("12345678", TextChange{7, 1, ""}));
  EXPECT_FALSE(NumericFilter::admitsWholeNumber("12345678", TextChange{7, 1, "9"})) << "still too long";
}

TEST(TextChangeBetween, FindsTheSmallestReplacedRange) {
  EXPECT_EQ(NumericFilter::changeBetween("12", "152"), (TextChange{1, 0, "5"}));
  EXPECT_EQ(NumericFilter::changeBetween("1234", "14"), (TextChange{1, 2, ""}));
  EXPECT_EQ(NumericFilter::changeBetween("aba", "aa"), (TextChange{1, 1, ""})) << "a deletion stays a deletion";
  EXPECT_EQ(NumericFilter::changeBetween("11", "111"), (TextChange{2, 0, "1"}));
  EXPECT_EQ(NumericFilter::changeBetween("abc", "xyz"), (TextChange{0, 3, "xyz"}));
  EXPECT_EQ(NumericFilter::changeBetween("same", "same"), (TextChange{4, 0, ""}));
  EXPECT_EQ(NumericFilter::applied("12345", TextChange{1, 2, "9"}), "1945");
  EXPECT_EQ(NumericFilter::applied("12", TextChange{5, 9, "3"}), "123") << "range clamped to the text";
}

TEST(NumericFields, DecimalFieldRefusesKeysAndPastesThatBreakTheRule) {
  test::qtTestApp();
  JCustomTextField field;
  QTest::keyClicks(&field, "12a.5.-");
  EXPECT_EQ(field.text(), "12.5");
  field.clear();
  QApplication::clipboard()->setText("1.2.3");
  field.paste();
  EXPECT_EQ(field.text(), "");
  QApplication::clipboard()->setText("1,000");
  field.paste();
  EXPECT_EQ(field.text(), "") << "refused whole, not corrected";
  QApplication::clipboard()->setText("1000.50");
  field.paste();
  EXPECT_EQ(field.text(), "1000.50");
}

TEST(NumericFields, WholeNumberFieldStopsAtFiveDigitsButTakesAndShortensALongerProgramText) {
  test::qtTestApp();
  CustomTextField port;
  QTest::keyClicks(&port, "8310.7-12");
  EXPECT_EQ(port.text(), "83107");
  port.setText("1234567");
  EXPECT_EQ(port.text(), "1234567") << "the program's text is taken as it is";
  port.setCursorPosition(7);
  QTest::keyClick(&port, Qt::Key_8);
  EXPECT_EQ(port.text(), "1234567");
  QTest::keyClick(&port, Qt::Key_Backspace);
  QTest::keyClick(&port, Qt::Key_Backspace);
  EXPECT_EQ(port.text(), "12345");
  QTest::keyClick(&port, Qt::Key_9);
  EXPECT_EQ(port.text(), "12345");
  port.setSelection(1, 2);
  QTest::keyClicks(&port, "9");
  QTest::keyClicks(&port, "8");
  EXPECT_EQ(port.text(), "19845");
}

TEST(NumericFields, ComboBoxTakesItsListItemsAndFiltersTyping) {
  test::qtTestApp();
  CustomComboBox box;
  box.addItems({"1", "10", "abc"});
  box.setCurrentIndex(2);
  EXPECT_EQ(box.currentText(), "abc") << "an item chosen from the list is the program's text";
  box.lineEdit()->clear();
  QTest::keyClicks(box.lineEdit(), "2x.5.");
  EXPECT_EQ(box.currentText(), "2.5");
}

TEST(NumericFields, CellEditorsAreFiltered) {
  test::qtTestApp();
  QStandardItemModel model(1, 2);
  model.setData(model.index(0, 0), "3");
  model.setData(model.index(0, 1), "4");
  QTableView table;
  table.setModel(&model);
  CustomTextFieldCell textCell;
  CustomComboBoxCell comboCell({"1", "5"});
  table.setItemDelegateForColumn(0, &textCell);
  table.setItemDelegateForColumn(1, &comboCell);
  table.show();

  table.edit(model.index(0, 0));
  auto* line = qobject_cast<JCustomTextField*>(table.indexWidget(model.index(0, 0)));
  if (!line) line = table.findChild<JCustomTextField*>();
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->text(), "3");
  line->selectAll();
  QTest::keyClicks(line, "7q.2.");
  EXPECT_EQ(line->text(), "7.2");
  textCell.setModelData(line, &model, model.index(0, 0));
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), "7.2");
  table.closePersistentEditor(model.index(0, 0));

  QStyleOptionViewItem option;
  std::unique_ptr<QWidget> editor(comboCell.createEditor(&table, option, model.index(0, 1)));
  auto* box = qobject_cast<CustomComboBox*>(editor.get());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->count(), 2);
  comboCell.setEditorData(box, model.index(0, 1));
  EXPECT_EQ(box->currentText(), "4");
  QTest::keyClicks(box->lineEdit(), "-");
  EXPECT_EQ(box->currentText(), "4");
}

}  // namespace
}  // namespace td
