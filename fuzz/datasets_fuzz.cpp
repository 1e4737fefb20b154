// Fuzz target: data-set replies of every context through the row loop and its converters (first
// byte picks the context, the rest is the data), and the account-statement readers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/ReferenceData.h"
#include "platform/Log.h"
#include "session/datasets/DataSetService.h"
#include "session/datasets/StatementTables.h"
#include "wire/RequestCatalogue.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  td::log::setLevel(td::log::Level::Off);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const std::string_view contexts[] = {
      td::OpenPositionContext,  td::PendingOrderContext,         td::SettledOrderContext,
      td::CancelledOrderContext, td::EquityHitPriceinfoContext, td::FinancialTransactionsContext,
      td::AccountStatementContext, td::BankDetailsContext,       td::ExecutedPositionsContext};
  const std::string_view context = contexts[data[0] % std::size(contexts)];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  td::ReferenceData reference;
  reference.FillItemDetails(td::XmlRow{{{"Code", "EURUSD"}, {"InstrumentId", "7"}}});
  reference.FillAccountDetails(td::XmlRow{{{"AccountId", "1001"}}});
  td::OwnedOrderBook orders;
  std::shared_ptr<td::BankDetails> bank;
  td::ChartDataCollection charts;
  td::DataSetService service({orders.book(), bank, charts}, reference, {});
  // Twice: the second reply meets the records of the first (brackets, equity-hit prices).
  service.processDSResponse(text, context);
  service.processDSResponse(text, context);
  service.ChartDataReceived(text);

  const auto& statement = service.accountStatementInfo();
  volatile double sink = statement.getDeposit() + statement.getOpenQuantity() + statement.getSettledProfitorLoss();
  (void)sink;
  return 0;
}
