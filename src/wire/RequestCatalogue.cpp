#include "wire/RequestCatalogue.h"

#include <array>

namespace td {
namespace {

constexpr int kLogin[] = {10, 23, 18, 20, 19, 563, 114, 105, 1018, 504, 160, 21};
constexpr int kPasswordChange[] = {10, 23, 104, 103, 20, 19, 21};
constexpr int kNewOrder[] = {10, 34, 23, 33, 19, 12, 32, 117, 37, 38, 39, 40,
                             90, 36, 77, 24, 43, 56, 54, 61, 60, 62, 67, 78};
constexpr int kClosingOrder[] = {10, 34, 125, 23, 33, 19, 12, 32, 117, 37, 38, 90,
                                 36, 77, 24, 43, 56, 54, 61, 60, 62, 67, 78};
constexpr int kEditBracketOrder[] = {10, 1035, 34, 23, 573, 33, 19, 12, 32, 117, 37, 38, 39,
                                     40, 90, 36, 24, 43, 56, 54, 61, 60, 62, 67, 78};
constexpr int kEditWorkingOrder[] = {10, 1035, 34, 23, 79, 33, 19, 12, 32, 117, 37, 38, 39,
                                     40, 90, 36, 24, 43, 56, 54, 61, 60, 62, 67, 78};
constexpr int kBulkOrder[] = {10, 23, 19, 12, 32, 117, 38, 39, 40, 90, 36,
                              77, 24, 43, 56, 54, 61, 60, 62, 67, 78, 91};
constexpr int kNewRoom[] = {10, 20, 503, 530, 504, 19, 21};
constexpr int kChatMessage[] = {10, 501, 504, 502, 17, 19, 21};
constexpr int kChatAcknowledgement[] = {10, 507, 505, 504, 23, 19, 21};
constexpr int kOfflineMessages[] = {10, 23, 504, 19, 21};
constexpr int kRoomMessages[] = {10, 23, 502, 501, 504, 19, 21};
constexpr int kContactList[] = {10, 23, 520, 504, 19, 21};
constexpr int kRecentConversations[] = {10, 23, 504, 19, 21};
constexpr int kChatQueueRequest[] = {10, 1026, 34, 17, 20, 530, 504, 19, 21};
constexpr int kPing[] = {10, 20, 21};
constexpr int kDataSet[] = {10, 151, 152, 153, 20, 115, 23, 19, 21};
constexpr int kEquityHitDataSet[] = {10, 151, 152, 160, 153, 20, 34, 115, 23, 19, 21};
constexpr int kFinancialTransactionsDataSet[] = {10, 151, 152, 153, 34, 575, 576, 551, 20, 115, 23, 19, 21};
constexpr int kAccountStatementDataSet[] = {10, 151, 152, 153, 34, 575, 576, 20, 115, 23, 19, 21};
constexpr int kBankDetailsDataSet[] = {10, 151, 152, 153, 34, 1132, 20, 115, 23, 19, 21};
constexpr int kExecutedPositionDataSet[] = {10, 151, 152, 153, 575, 576, 20, 115, 23, 19, 21};
constexpr int kDemoUserCreation[] = {10,   1152, 1033, 564,  1132, 1133, 1134, 1135, 1136,
                                     1137, 1138, 1139, 1140, 20,   19,   105,  1018, 504};
constexpr int kChartData[] = {10, 12, 83, 20, 1025, 23, 19, 21};
constexpr int kCloseHedgedPositions[] = {10, 34, 12, 583, 23, 19, 21};

// List fields: the bulk order's rows (91), the offset list (583) and the room and message id of an
// acknowledgement (505).
constexpr int kBulkOrderLists[] = {91};
constexpr int kChatAcknowledgementLists[] = {505};
constexpr int kCloseHedgedPositionsLists[] = {583};
constexpr std::span<const int> kNoLists;

using T = RequestTransport;
using S = SubKindField;
namespace M = MessageType;

// type, sub-kind field, sub-kind, builder, log label, transport, initial, notes ping time, tags, list tags
constexpr std::array kCatalogue = {
    RequestKind{M::Login, S::None, 0, "BuildLoginRequestMessage", "BuildLoginRequestMessage", T::Tcp, true, false, kLogin, kNoLists},
    RequestKind{M::PasswordChange, S::None, 0, "BuildPasswordChangeRequestMessage", "BuildPasswordChangeRequestMessage", T::Tcp, false, false, kPasswordChange, kNoLists},
    RequestKind{M::Order, S::NewOrder, 0, "BuildPlaceNewOrderRequestMessage", "BuildPlaceNewOrderRequestMessage", T::Tcp, false, false, kNewOrder, kNoLists},
    RequestKind{M::Order, S::NewOrder, 1, "BuildOffsetOrderRequestMessage", "BuildOffsetOrderRequestMessage", T::Tcp, false, false, kClosingOrder, kNoLists},
    RequestKind{M::EditOrder, S::EditOrder, 0, "BuildEditBracketOrderRequestMessage", "BuildEditBracketOrderRequestMessage", T::Tcp, false, false, kEditBracketOrder, kNoLists},
    RequestKind{M::EditOrder, S::EditOrder, 1, "BuildEditWorkingOrderRequestMessage", "BuildEditWorkingOrderRequestMessage", T::Tcp, false, false, kEditWorkingOrder, kNoLists},
    RequestKind{M::EditOrder, S::EditOrder, 2, "BuildEditWorkingOrderRequestMessage", "BuildEditWorkingOrderRequestMessage", T::Tcp, false, false, kEditWorkingOrder, kNoLists},
    RequestKind{M::BulkOrder, S::None, 0, "BuildBulkOrderRequest", "BuildBulkOrderRequest", T::Tcp, false, false, kBulkOrder, kBulkOrderLists},
    RequestKind{M::NewRoom, S::None, 0, "BuildNewRoomCreationRequest", "BuildNewRoomCreationRequest", T::Tcp, false, false, kNewRoom, kNoLists},
    RequestKind{M::ChatMessage, S::None, 0, "BuildNewChatMessage", "BuildNewChatMessage", T::Tcp, false, false, kChatMessage, kNoLists},
    RequestKind{M::ChatAcknowledgement, S::None, 0, "BuildChatMessageAcknowledgement", "BuildChatMessageAcknowledgement", T::Tcp, false, false, kChatAcknowledgement, kChatAcknowledgementLists},
    RequestKind{M::OfflineMessages, S::None, 0, "BuildGetOfflineMessageRequest", "BuildGetOfflineMessageRequest", T::Tcp, false, false, kOfflineMessages, kNoLists},
    RequestKind{M::RoomMessages, S::None, 0, "BuildGetRoomMessageRequest", "BuildGetRoomMessageRequest", T::Tcp, false, false, kRoomMessages, kNoLists},
    RequestKind{M::ContactList, S::None, 0, "BuildGetContacListInfoRequest", "BuildGetContacListInfoRequest", T::Tcp, false, false, kContactList, kNoLists},
    RequestKind{M::RecentConversations, S::None, 0, "BuildGetRecentConversationRequest", "BuildGetRecentConversationRequest", T::Tcp, false, false, kRecentConversations, kNoLists},
    RequestKind{M::ChatQueueRequest, S::None, 0, "BuildNewChatRequestToQueue", "BuildNewChatRequestToQueue", T::Tcp, false, false, kChatQueueRequest, kNoLists},
    RequestKind{M::Ping, S::None, 0, "BuildPingConnectionRequestMessage", "", T::Tcp, false, true, kPing, kNoLists},
    RequestKind{M::DataSet, S::DataSet, 0, "BuildDSRequest", "BuildDSRequest", T::ZeroMq, false, false, kDataSet, kNoLists},
    RequestKind{M::DataSet, S::DataSet, 1, "BuildEqityHitDSRequest", "BuildEqityHitDSRequest", T::ZeroMq, false, false, kEquityHitDataSet, kNoLists},
    RequestKind{M::DataSet, S::DataSet, 2, "BuildFinancialTransactionsDSRequest", "BuildFinancialTransactionsDSRequest", T::ZeroMq, false, false, kFinancialTransactionsDataSet, kNoLists},
    RequestKind{M::DataSet, S::DataSet, 3, "BuildAccountStatementDSRequest", "BuildAccountStatementDSRequest", T::ZeroMq, false, false, kAccountStatementDataSet, kNoLists},
    RequestKind{M::DataSet, S::DataSet, 4, "BuildBankDetailsDSRequest", "BuildBankDetailsDSRequest", T::ZeroMq, false, false, kBankDetailsDataSet, kNoLists},
    RequestKind{M::DataSet, S::DataSet, 5, "BuildExecutedPositionDSRequest", "BuildExecutedPositionDSRequest", T::ZeroMq, false, false, kExecutedPositionDataSet, kNoLists},
    RequestKind{M::DemoUserCreation, S::None, 0, "BuildDemoUserCreationRequestMessage", "DemoUserCreationRequestMessage", T::Tcp, true, false, kDemoUserCreation, kNoLists},
    RequestKind{M::ChartData, S::None, 0, "BuildChartDataRequest", "BuildChartDataRequest", T::ZeroMq, false, false, kChartData, kNoLists},
    RequestKind{M::CloseHedgedPositions, S::None, 0, "BuildCloseHedgedPositions", "BuildCloseHedgedPositions", T::Tcp, false, false, kCloseHedgedPositions, kCloseHedgedPositionsLists},
};

}  // namespace

std::span<const RequestKind> RequestCatalogue::all() { return kCatalogue; }

const RequestKind* RequestCatalogue::find(int messagetype, std::int32_t neworderrequestType,
                                          std::int32_t editorderrequestType, std::int32_t dsrequestType) {
  for (const RequestKind& row : kCatalogue) {
    if (row.type != messagetype) continue;
    switch (row.subKindField) {
      case SubKindField::None: return &row;
      case SubKindField::NewOrder:
        if (row.subKind == neworderrequestType) return &row;
        break;
      case SubKindField::EditOrder:
        if (row.subKind == editorderrequestType) return &row;
        break;
      case SubKindField::DataSet:
        // The data-set kind is read as unsigned: a negative kind matches no row.
        if (dsrequestType >= 0 && row.subKind == dsrequestType) return &row;
        break;
    }
  }
  return nullptr;
}

}  // namespace td
