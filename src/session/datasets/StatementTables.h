#pragma once
// The readers of the account-statement document: the XML reader's tables in, the content of one
// statement out. They touch no session state, so a reply may be read on any thread; the session
// applies the result to its AccountStatementInfo on the main thread in one step.
//
// Every reader visits its rows in document order, makes one record per row and sets each field
// whose column the row holds (of two cells with one name the later wins; other columns are
// ignored). Readings: text as it stands; int32 and int64 the leading integer (0 without digits,
// clamped to the range); decimal the leading number (0 without one); truth as the flag reading;
// date and time / date the server date re-written "MM/dd/yyyy HH:mm:ss" / "MM/dd/yyyy" ("" stays "",
// any other form is kept as it came).

#include <string_view>

#include "model/XmlTables.h"
#include "model/statement/AccountStatementInfo.h"

namespace td {

class StatementTables {
 public:
  // Parses the document and reads its tables (readAccountStatement of the tables).
  static AccountStatementContent readAccountStatement(std::string_view xml);
  // Reads the tables present in the fixed order: instruments ("Table5"), close prices ("Table6"),
  // account information ("Table"), open positions ("Table1"), pending orders ("Table2"), settled
  // positions ("Table3"), financial transactions ("Table4").
  static AccountStatementContent readAccountStatement(const XmlTables& tables);

  // Files each instrument under its InstrumentId in decimal; a later row replaces an earlier one.
  static void ParseInstrumentsTable(const XmlTable& rows, AccountStatementContent& out);
  // Sets the closing Bid and Ask of instruments already filed; rows of other instruments are dropped.
  static void ParseClosePriceTable(const XmlTable& rows, AccountStatementContent& out);
  // The first two rows become StartInfo and EndInfo by their TAHDate (earlier first); one row is
  // both; a TAHDate that is not a server date leaves both absent.
  static void ParseAccountInfoTable(const XmlTable& rows, AccountStatementContent& out);
  // Item code and current price from the instruments, kept when the position id reads above 0,
  // commission scaled to the open quantity, sorted by position id in natural order.
  static void ParseOpenPositionsTable(const XmlTable& rows, AccountStatementContent& out);
  // Kept when the row holds a PendingOrderId element (an empty one counts); sorted by it.
  static void ParsePendingOrdersTable(const XmlTable& rows, AccountStatementContent& out);
  // Kept when the row holds a SettlementId element; sorted by it.
  static void ParseSettledPositionsTable(const XmlTable& rows, AccountStatementContent& out);
  // Every row, in document order.
  static void ParseFinancialTransactionsTable(const XmlTable& rows, AccountStatementContent& out);
};

}  // namespace td
