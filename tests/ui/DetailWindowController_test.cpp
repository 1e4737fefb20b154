// The details sheet: the contract details of an instrument under the selected account's terms, the
// delivery receipt of a position (found again by its id, its bank rows filled only by the reply to
// its own request), and the receipt printed to a PDF file.

#include "ui/watchlist/DetailWindowController.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTextDocument>
#include <cstdio>
#include <filesystem>

#include "WatchlistTestSupport.h"
#include "ui/printing/PrintTextView.h"
#include "ui/watchlist/ReceiptPrintout.h"

namespace td::testing {
namespace {

using D = DetailWindowController;

std::shared_ptr<Order> position(const std::string& id, const std::string& account = "100") {
  auto order = std::make_shared<Order>();
  order->OpenPositionId = id;
  order->AccountNumber = account;
  order->ItemCode = "EURUSD";
  order->OrderQty = "2.0";
  order->OrderPrice = "1.5";
  order->tradingMode = TradingModeSell;
  order->TransactionDateTime = "01/02/2024 10:00:00";
  order->ValueDate = "01/04/2024";
  return order;
}

std::string bankRow(const std::string& number, const std::string& name) {
  return "9\x05" + number + "\x05" "1\x05" "Holder\x05" "1\x05" "\x05" + name + "\x06";
}

class DetailTest : public WatchlistTest {
 protected:
  DetailTest() {
    open();
    session->setCurrentAccountSelected(100);
    D::Services services;
    services.session = sessionOfTest();
    services.notifications = notifications.get();
    services.language = [] { return 0; };
    details = std::make_unique<D>(services);
  }
  std::map<std::string, std::string> rows() const {
    std::map<std::string, std::string> out;
    for (std::size_t i = 0; i < details->DetailList().size(); ++i) {
      out[details->DetailList()[i]] = i < details->DetailValueArray().size() ? details->DetailValueArray()[i] : "?";
    }
    return out;
  }
  void openReceipt(int type, const std::string& positionId) {
    details->setDetailViewType(type);
    details->setValue(positionId);
    details->showWindow();
  }
  void bankReply(const std::string& data) {
    session->NewMessage(frame({{10, "1024"}, {151, "getbankaccounts"}, {159, data}}), FrameChannel::Requests);
    session->connectionDidFinishRequest(true);
    queue.runPending();
  }
  GroupInstruments& terms() {
    return *session->referenceData().groupInstruments(*session->AccountDetailCollection().at("100"), 1);
  }

  std::unique_ptr<D> details;
};

TEST_F(DetailTest, ContractDetailsShowTheItemUnderTheTermsOfTheSelectedAccountsGroup) {
  details->setDetailViewType(D::ContractDetails);
  details->setValue("EURUSD");
  details->showWindow();
  EXPECT_EQ(details->title(), "Instrument Details:");
  EXPECT_FALSE(details->printButtonVisible());
  // No intraday and no BTST margin: 13 rows, the dates of an item without them shown as "-".
  EXPECT_EQ(details->DetailList(),
            (std::vector<std::string>{"Symbol", "Type", "Name", "Tick", "Contract Size", "First Notice Day",
                                      "Last Trading Day", "Buy Storage Rate", "Sell Storage Rate", "Limit Min Pips",
                                      "Stop Min Pips", "Initial Margin", "Overnight Margin"}));
  EXPECT_EQ(details->DetailValueArray(),
            (std::vector<std::string>{"EURUSD", "Forex", "EURUSD name", "0.0001", "100", "-", "-", "3", "1", "5", "7",
                                      "10.5", "12"}));
  terms().margincalculationMode = 2;
  terms().IntradayOrderMargin = 2.5;
  item("EURUSD").LTD = "12/20/2027 00:00:00";
  details->setValue("EURUSD");
  const auto shown = rows();
  EXPECT_EQ(shown.at("Last Trading Day"), "12/20/2027 00:00:00");
  EXPECT_EQ(shown.at("Initial Margin"), "10.5%");
  EXPECT_EQ(shown.at("Intraday Margin"), "2.5%");
  EXPECT_EQ(shown.at("Overnight Margin"), "12%");
  EXPECT_EQ(details->rowCount(), 14);  // the intraday margin is not zero now
  EXPECT_EQ(details->data(details->index(0, D::DetailsColumn)).toString(), "EURUSD");
}

TEST_F(DetailTest, AReceiptShowsItsPositionsFiguresWithTheAmountsInWords) {
  session->OpenOrderCollection = {position("P1")};
  openReceipt(D::OpenPositionReceipt, "P1");
  EXPECT_EQ(details->title(), "Delivery Receipt:");
  EXPECT_TRUE(details->printButtonVisible());
  EXPECT_EQ(details->DetailList(),
            (std::vector<std::string>{"Account No.", "Account Name", "Bank Name", "Bank Account Number", "Position ID",
                                      "Symbol", "Buy/Sell", "Quantity", "Price", "Total Cost", "Margin",
                                      "Transaction Date", "Delivery Date", "Expiry Date"}));
  // 2 lots of 100 at 1.5; the margin 10.5 a lot.
  EXPECT_EQ(details->DetailValueArray(),
            (std::vector<std::string>{"100", "Main", "", "", "P1", "EURUSD", "S", "2", "1.5000", "300 (three hundred)",
                                      "21 (twenty-one)", "01/02/2024 10:00:00", "01/04/2024", ""}));
  session->OpenOrderCollection.front()->OrderQty = "8.2304";
  details->loadDeliveryReceiptDetails();
  EXPECT_EQ(rows().at("Total Cost"), "1234.56 (one thousand two hundred thirty-four)");
}

TEST_F(DetailTest, AReceiptShowsThePositionOfItsIdWhateverItsRowAndAnUnknownIdOnlyTheLabels) {
  session->OpenOrderCollection = {position("P1"), position("P2", "101")};
  openReceipt(D::OpenPositionReceipt, "P2");
  EXPECT_EQ(details->positionId(), "P2");
  EXPECT_EQ(rows().at("Position ID"), "P2");
  session->OpenOrderCollection.insert(session->OpenOrderCollection.begin(), position("P0"));
  details->loadDeliveryReceiptDetails();
  EXPECT_EQ(rows().at("Position ID"), "P2");
  EXPECT_EQ(rows().at("Account Name"), "Second");
  for (const char* unknown : {"P9", "1", ""}) {
    openReceipt(D::OpenPositionReceipt, unknown);
    EXPECT_EQ(details->DetailList().size(), 14u);
    EXPECT_TRUE(details->DetailValueArray().empty()) << unknown;
  }
  // The executed list: open and closed positions by id.
  session->OpenOrderCollectionCopy = {position("A7")};
  openReceipt(D::ExecutedPositionReceipt, "A7");
  EXPECT_EQ(rows().at("Position ID"), "A7");
}

TEST_F(DetailTest, BankRowsStayEmptyUntilTheReplyToTheReceiptsOwnRequestArrives) {
  answerAllRequests();
  session->bankDetails = std::make_shared<BankDetails>();
  session->bankDetails->BankName = "Bank of another account";
  session->OpenOrderCollection = {position("P1")};
  openReceipt(D::OpenPositionReceipt, "P1");
  EXPECT_EQ(rows().at("Bank Name"), "");
  ASSERT_NE(transport->zmq.back().find("151=getbankaccounts"), std::string::npos);
  EXPECT_NE(transport->zmq.back().find("34=100"), std::string::npos);
  // Another bank request goes out after it; the receipt's own is dropped unanswered, so the reply
  // that comes belongs to the other one.
  session->requestBankDetails(*session->AccountDetailCollection().at("101"));
  session->connectionDidFinishRequest(false);
  bankReply(bankRow("101", "Bank of 101"));
  EXPECT_EQ(session->bankDetails->BankName, "Bank of 101");
  EXPECT_EQ(rows().at("Bank Name"), "");
  // Opened again: its new request is answered.
  openReceipt(D::OpenPositionReceipt, "P1");
  bankReply(bankRow("4400001", "Tarnwick Savings"));
  EXPECT_EQ(rows().at("Bank Name"), "Tarnwick Savings");
  EXPECT_EQ(rows().at("Bank Account Number"), "4400001");
  // An account number of 0 shows nothing; a reply after the sheet closed is not taken.
  openReceipt(D::OpenPositionReceipt, "P1");
  bankReply(bankRow("0", "Zero Bank"));
  EXPECT_EQ(rows().at("Bank Name"), "Zero Bank");
  EXPECT_EQ(rows().at("Bank Account Number"), "");
  openReceipt(D::OpenPositionReceipt, "P1");
  details->closeModal();
  bankReply(bankRow("5", "Late Bank"));
  EXPECT_EQ(rows().at("Bank Name"), "");
}

TEST_F(DetailTest, ATypeOtherThanTheThreeLoadsNothingAndSetsNoTitle) {
  QSignalSpy title(details.get(), &D::titleChanged);
  details->setDetailViewType(5);
  details->setValue("EURUSD");
  details->showWindow();
  EXPECT_EQ(title.count(), 0);
  EXPECT_EQ(details->rowCount(), 0);
}

TEST_F(DetailTest, TheReceiptPrintsToAPdfFileWhoseTextHoldsItsRows) {
  session->OpenOrderCollection = {position("P1")};
  openReceipt(D::OpenPositionReceipt, "P1");
  const auto file = std::filesystem::temp_directory_path() / ("td-receipt-" + std::to_string(::getpid()) + ".pdf");
  EXPECT_EQ(receiptPrintout(details->printGrid())->printToPdf(QString::fromStdString(file.string())), std::nullopt);
  std::string text;
  {
    FILE* pipe = ::popen(("pdftotext -layout '" + file.string() + "' -").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0);
  }
  std::filesystem::remove(file);
  for (const char* line : {"Delivery Receipt", "Entity", "Details", "Account No.", "Main", "Position ID", "P1",
                           "Total Cost", "300 (three hundred)", "21 (twenty-one)", "Expiry Date"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
  }
  EXPECT_LT(text.find("Entity"), text.find("Account No."));
  EXPECT_LT(text.find("Total Cost"), text.find("Transaction Date"));
}

}  // namespace
}  // namespace td::testing
