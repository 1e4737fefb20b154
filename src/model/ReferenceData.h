#pragma once
// The reference data of one session, loaded from the login data set: the logged-in user, the item
// types, items, accounts, groups with their instrument terms, trading-session settings and login
// messages, with the lookups the rest of the client uses. The session's BusinessBase owns one (a new
// one per login attempt) and uses it on the main thread only.
//
// Both forms of the login data set load into the same records: the XML form (parseXml, then
// FillTableDetails) updates a record already stored under the same key in place, the delimited
// "AMP" form (FillAmpDetails) builds a new record per row and replaces what is stored under its key.
// A bad AMP row (too few columns for its key, or a key column without a number or text) is skipped
// with one log line; the rest of its section still loads.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/AccountDetails.h"
#include "model/GroupDetails.h"
#include "model/ItemDetails.h"
#include "model/ItemType.h"
#include "model/LoginInfoMessage.h"
#include "model/ProductInfo.h"
#include "model/SessionSetting.h"
#include "model/UserInfo.h"
#include "model/XmlTables.h"

namespace td {

template <class T>
using RecordCollection = std::map<std::string, std::shared_ptr<T>, std::less<>>;

// One entry of the symbol-type lists: an item's code and name.
struct SymbolEntry {
  std::string Code;
  std::string Name;
  bool operator==(const SymbolEntry&) const = default;
};

class ReferenceData {
 public:
  // What the session does after parts of the data set are loaded: build the first watchlist after
  // the items, set the spreads after the group terms (XML) or the accounts (AMP).
  struct Hooks {
    std::function<void()> LoadItemstoWatchlist;
    std::function<void()> SetAllSymbolsSpread;
  };

  ReferenceData();
  void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

  // --- Collections (records are shared; the session updates prices and figures in place) ---
  const std::shared_ptr<UserInfo>& userInfo() const { return userInfo_; }
  const RecordCollection<ItemDetails>& ItemCollection() const { return items_; }
  const RecordCollection<ItemType>& ItemTypeCollection() const { return itemTypes_; }
  const RecordCollection<AccountDetails>& AccountDetailCollection() const { return accounts_; }
  const RecordCollection<GroupDetails>& GroupDetailCollection() const { return groups_; }
  const RecordCollection<SessionSetting>& SessionSettingCollection() const { return sessionSettings_; }
  const RecordCollection<LoginInfoMessage>& loginInfoMessageCollection() const { return loginMessages_; }
  // Instrument type name -> "code:name" entries joined by ",", in the order the loaders met them;
  // only items that are enabled and available for the watchlist.
  const std::map<std::string, std::string, std::less<>>& symbolTypeCollection() const { return symbolTypes_; }
  // The same lists as entries, so that a "," or ":" in an item name breaks nothing.
  const std::map<std::string, std::vector<SymbolEntry>, std::less<>>& symbolTypeEntries() const {
    return symbolTypeEntries_;
  }
  // The login message of the last accepted row loaded, or none.
  const std::shared_ptr<LoginInfoMessage>& lastLoginInfoMessage() const { return lastLoginMessage_; }

  // Guarded lookups: none when the key is unknown.
  std::shared_ptr<ItemDetails> item(std::string_view code) const;
  std::shared_ptr<AccountDetails> account(std::string_view key) const;
  std::shared_ptr<GroupDetails> group(std::string_view key) const;
  std::shared_ptr<SessionSetting> sessionSetting(std::string_view key) const;
  // The terms of the account's group for an instrument, or none.
  std::shared_ptr<GroupInstruments> groupInstruments(const AccountDetails& account, std::int32_t instrumentId) const;

  // The name of the type stored under "%d" of the id, or none.
  std::optional<std::string> getInstrumentTypeName(std::int32_t instrumentTypeId) const;
  // The Code of the first item, in the order of ItemCollection, whose InstrumentId is the id; ""
  // when none is. Served from an index rebuilt after the items change.
  std::string getItemCode(std::int32_t instrumentId) const;

  // --- XML form ---
  void FillTableDetails(const XmlTables& tables);
  void FillUserInfoDetails(const XmlRow& row);
  ProductInfo FillProductInfoDetails(const XmlRow& row);
  void FillAccountDetails(const XmlRow& row);
  void FillGroupDetails(const XmlRow& row);
  void FillItemType(const XmlRow& row);
  void FillItemDetails(const XmlRow& row);
  void FillGroupInstruments(const XmlRow& row);
  void FillSessionSettingCollection(const XmlRow& row);

  // --- AMP form: sections cut by 0x07, rows by 0x06, columns by 0x05 ---
  void FillAmpDetails(std::string_view text);
  void FillAmpUserInfoDetails(std::string_view section);
  ProductInfo FillAmpProductInfoDetails(std::string_view section);
  void FillAmpItemType(std::string_view section);
  void FillAmpSessionSettingCollection(std::string_view section);
  void FillAmpItemDetails(std::string_view section);
  void FillAmpGroupDetails(std::string_view section);
  void FillAmpGroupInstruments(std::string_view section);
  void FillAmpAccountDetails(std::string_view section);
  void FillAmpLoginInfoDetails(std::string_view section);
  // Logs the first column of the first row; stores nothing.
  void FillAmpServerDetails(std::string_view section);

 private:
  void listForWatchlist(const ItemDetails& item);
  void itemsChanged() { itemIndexDirty_ = true; }
  void runHook(const std::function<void()>& hook, const char* what);

  Hooks hooks_;
  std::shared_ptr<UserInfo> userInfo_;
  RecordCollection<ItemDetails> items_;
  RecordCollection<ItemType> itemTypes_;
  RecordCollection<AccountDetails> accounts_;
  RecordCollection<GroupDetails> groups_;
  RecordCollection<SessionSetting> sessionSettings_;
  RecordCollection<LoginInfoMessage> loginMessages_;
  std::shared_ptr<LoginInfoMessage> lastLoginMessage_;
  std::map<std::string, std::string, std::less<>> symbolTypes_;
  std::map<std::string, std::vector<SymbolEntry>, std::less<>> symbolTypeEntries_;

  mutable std::unordered_map<std::int32_t, std::string> itemCodeByInstrument_;
  mutable bool itemIndexDirty_ = false;
};

}  // namespace td
