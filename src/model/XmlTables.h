#pragma once
// The tables of an XML data set (the login data set in its XML form, or an account statement).
//
// Every element whose name contains "Table" is one row of the table of that name; its child
// elements are the row's cells (name -> text). Rows keep their document order: row n of a table is
// the n-th such element met in a pre-order walk of the document, even when rows of other tables
// stand between. Cell names and texts are views into the parsed document, which the value keeps
// alive (copies share it). Parsing touches no session state, so it may run on any thread.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace td {

class TBXML;

struct XmlRow {
  std::vector<std::pair<std::string_view, std::string_view>> cells;  // in document order
  // The cell's text ("" for a cell without text); of two cells with one name the later wins.
  std::optional<std::string_view> get(std::string_view column) const;
};

using XmlTable = std::vector<XmlRow>;  // row n under the row key "%d" of n

struct XmlTables {
  std::shared_ptr<const TBXML> document;  // owns the bytes the rows point into
  std::map<std::string, XmlTable, std::less<>> tables;
  std::string tableName;  // the table of the last row read ("" when none)

  const XmlTable* table(std::string_view name) const;
};

// Reads the document's tables. A text without elements gives no tables. A cell whose name or text
// is not valid UTF-8 is dropped (one log line per document).
XmlTables parseXml(std::string_view text);

}  // namespace td
