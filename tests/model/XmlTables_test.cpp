#include "model/XmlTables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace td {
namespace {

std::vector<std::string> column(const XmlTables& t, std::string_view table, std::string_view name) {
  std::vector<std::string> out;
  if (const XmlTable* rows = t.table(table)) {
    for (const XmlRow& r : *rows) out.emplace_back(r.get(name).value_or("<none>"));
  }
  return out;
}

TEST(XmlTables, RowsKeepDocumentOrderPerTable) {
  const XmlTables t = parseXml(
      "<D><Table6><a>1</a></Table6><Table6><a>2</a></Table6><Table7><a>x</a></Table7></D>");
  EXPECT_EQ(column(t, "Table6", "a"), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(column(t, "Table7", "a"), (std::vector<std::string>{"x"}));
  EXPECT_EQ(t.tableName, "Table7");
}

TEST(XmlTables, InterruptedTableLosesNoRow) {
  const XmlTables t = parseXml(
      "<D><Table6><a>1</a></Table6><Table7><a>x</a></Table7><Table6><a>2</a></Table6><Table6><a>3</a></Table6></D>");
  EXPECT_EQ(column(t, "Table6", "a"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(column(t, "Table7", "a"), (std::vector<std::string>{"x"}));
}

TEST(XmlTables, CellsTextsAndNames) {
  const XmlTables t = parseXml(
      "<D><Table1><a> one </a><empty/><b></b><a>two</a><c>  </c></Table1><Table2/>"
      "<MyTableRow><k>v</k></MyTableRow><Other><Table3><z>deep</z></Table3></Other></D>");
  const XmlRow& row = t.table("Table1")->front();
  EXPECT_EQ(row.get("a"), "two");  // the later cell of one name wins
  EXPECT_EQ(row.get("empty"), "");
  EXPECT_EQ(row.get("b"), "");
  EXPECT_EQ(row.get("c"), "");
  EXPECT_EQ(row.get("missing"), std::nullopt);
  ASSERT_NE(t.table("Table2"), nullptr);  // a table element without cells is an empty row
  EXPECT_TRUE(t.table("Table2")->front().cells.empty());
  EXPECT_EQ(column(t, "MyTableRow", "k"), (std::vector<std::string>{"v"}));
  EXPECT_EQ(column(t, "Table3", "z"), (std::vector<std::string>{"deep"}));
}

TEST(XmlTables, ElementsBelowARowAreRowsOfTheirOwnTable) {
  const XmlTables t = parseXml("<D><Table5><a>1</a><SubTable><b>2</b></SubTable></Table5></D>");
  EXPECT_EQ(column(t, "Table5", "a"), (std::vector<std::string>{"1"}));
  EXPECT_EQ(column(t, "SubTable", "b"), (std::vector<std::string>{"2"}));
}

TEST(XmlTables, SuccessiveDocumentsShareNoRows) {
  const XmlTables first = parseXml("<D><Table6><a>1</a></Table6></D>");
  const XmlTables second = parseXml("<D><Table6><a>2</a></Table6></D>");
  EXPECT_EQ(column(second, "Table6", "a"), (std::vector<std::string>{"2"}));
  EXPECT_EQ(column(first, "Table6", "a"), (std::vector<std::string>{"1"}));
}

TEST(XmlTables, CopiesKeepTheDocumentAlive) {
  XmlTables copy;
  {
    const XmlTables original = parseXml("<D><Table6><a>kept</a></Table6></D>");
    copy = original;
  }
  EXPECT_EQ(column(copy, "Table6", "a"), (std::vector<std::string>{"kept"}));
}

TEST(XmlTables, NoRootOrInvalidTextGivesNothingBad) {
  EXPECT_TRUE(parseXml("").tables.empty());
  EXPECT_TRUE(parseXml("plain").tables.empty());
  const XmlTables t = parseXml("<D><Table6><a>\xFF</a><b>ok</b></Table6></D>");
  EXPECT_EQ(t.table("Table6")->front().get("a"), std::nullopt);
  EXPECT_EQ(t.table("Table6")->front().get("b"), "ok");
}

TEST(XmlTables, DeepNestingDoesNotRecurse) {
  std::string doc;
  for (int i = 0; i < 200000; ++i) doc += "<e>";
  doc += "<Table1><a>1</a></Table1>";
  const XmlTables t = parseXml(doc);
  EXPECT_EQ(column(t, "Table1", "a"), (std::vector<std::string>{"1"}));
}

}  // namespace
}  // namespace td
