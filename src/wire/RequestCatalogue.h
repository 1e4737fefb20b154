#pragma once
// Every outgoing request type in one table: type, sub-kind, builder name, log label, transport and
// tag order. MessageBase::BuildMessage reads it; adding a request type is adding one row.

#include <cstdint>
#include <span>
#include <string_view>

namespace td {

// Message types of the requests (the value of tag 10).
namespace MessageType {
inline constexpr int Login = 32;
inline constexpr int PasswordChange = 37;
inline constexpr int Order = 60;
inline constexpr int EditOrder = 72;
inline constexpr int Envelope = 76;
inline constexpr int BulkOrder = 77;
inline constexpr int NewRoom = 601;
inline constexpr int ChatMessage = 603;
inline constexpr int ChatAcknowledgement = 608;
inline constexpr int OfflineMessages = 613;
inline constexpr int RoomMessages = 615;
inline constexpr int ContactList = 617;
inline constexpr int RecentConversations = 626;
inline constexpr int ChatQueueRequest = 678;
inline constexpr int Ping = 1018;
inline constexpr int DataSet = 1023;
inline constexpr int DemoUserCreation = 1026;
inline constexpr int ChartData = 1040;
inline constexpr int CloseHedgedPositions = 1052;
}  // namespace MessageType

// Text constants of the requests.
inline constexpr std::string_view MESSAGE_SEPARATOR = "=";
inline constexpr std::string_view MESSAGE_AMP_TYPE = "AMP";
inline constexpr std::string_view DataRequestCount = "1000";
inline constexpr std::string_view NoofPages = "1";
inline constexpr std::string_view OpenPositionContext = "getopenpositions";
inline constexpr std::string_view PendingOrderContext = "getpendingorders";
inline constexpr std::string_view SettledOrderContext = "getsettledpositions";
inline constexpr std::string_view CancelledOrderContext = "getcancelledorders";
inline constexpr std::string_view EquityHitPriceinfoContext = "getequityhitpriceinfo";
inline constexpr std::string_view FinancialTransactionsContext = "getfinancialtransactions";
inline constexpr std::string_view AccountStatementContext = "getdsaccountstatement";
inline constexpr std::string_view BankDetailsContext = "getbankaccounts";
inline constexpr std::string_view ExecutedPositionsContext = "getexecutedpositions";

// How a request leaves the client.
enum class RequestTransport {
  Tcp,     // enveloped (type 76) over the TCP session
  ZeroMq,  // plain frame to the ZeroMQ request channel
};

// Which field of MessageBase picks the row of a type that has sub-kinds.
enum class SubKindField { None, NewOrder, EditOrder, DataSet };

struct RequestKind {
  int type;
  SubKindField subKindField;
  std::int32_t subKind;  // meaningful when subKindField is not None
  std::string_view builder;
  std::string_view label;  // prefix of the log line; empty: the request writes no log line
  RequestTransport transport;
  bool initial;         // enveloped as the first request of a connection (1153=2, 1132=2)
  bool notesPingTime;   // the session stamps its ping time once the frame reached the transport
  std::span<const int> tags;
  // The fields whose value is a list made with the inner separators (0x04 to 0x07).
  std::span<const int> listTags;
};

class RequestCatalogue {
 public:
  // Every row, in the order of the table.
  static std::span<const RequestKind> all();
  // The row for a type and the current sub-kind fields; none for a type or sub-kind without a
  // builder. A negative data-set kind selects nothing.
  static const RequestKind* find(int messagetype, std::int32_t neworderrequestType,
                                 std::int32_t editorderrequestType, std::int32_t dsrequestType);
};

}  // namespace td
