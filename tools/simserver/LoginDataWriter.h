#pragma once
// Writes the login data set of one user, in the delimited AMP form (sections by 0x07, rows by
// 0x06, columns by 0x05, columns known by position) or as XML tables ("Table1" user, "Table2"
// product, "Table4" accounts, "Table5" item types, "Table6" items, "Table7" group instrument terms,
// "Table8" groups, "Table10" trading sessions). Both forms come from one list of cells per row, so
// they always carry the same values.

#include <map>
#include <string>
#include <vector>

#include "PriceFeed.h"
#include "Scenario.h"

namespace td::sim {

struct LoginDataContext {
  int pubPort = 0;  // the user row's marketdepthPort
  int repPort = 0;  // the user row's hdServerPort
  std::int64_t now = 0;
  // The feed's current quote by instrument id (the opening quote when absent).
  std::map<int, Quote> quotes;
};

class LoginDataWriter {
 public:
  LoginDataWriter(const Scenario& scenario, LoginDataContext context);

  std::string amp(const UserSpec& user) const;
  std::string xml(const UserSpec& user) const;

  // The AMP data set of a refused login: only section 16, with one login message.
  static std::string ampRefusal(int errorCode, const std::string& message, int displayMode = 1);

  // One cell of a row: its XML column name ("" when the XML form lacks it), its AMP position (-1
  // when the AMP form lacks it), its value, and whether it is a time stamp ("yyyyMMddHHmmss",
  // written to XML as "yyyy-MM-dd'T'HH:mm:ss+00:00" in UTC).
  struct Cell {
    const char* xml;
    int amp;
    std::string value;
    bool date = false;
  };
  using Row = std::vector<Cell>;

  static std::string ampRow(const Row& row);
  static std::string xmlRow(const char* table, const Row& row);

 private:
  struct Tables {
    std::vector<Row> user, product, itemTypes, sessions, items, groups, terms, accounts;
  };
  Tables tables(const UserSpec& user) const;

  const Scenario& scenario_;
  LoginDataContext context_;
};

}  // namespace td::sim
