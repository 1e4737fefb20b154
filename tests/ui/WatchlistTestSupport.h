#pragma once
// A session with the watchlist family's data: three items in two types (EURUSD and GBPUSD of
// "Forex", the first type, so they form the first watchlist; DAX of "Index"), two trading sessions
// of which the second has a colour, the terms of group 7 for EURUSD, and two accounts of group 7.
// Prices come as feed lines, so they take the session's own path to the windows.

#include <cmath>
#include <cstdio>
#include <string>

#include "../session/SessionTestSupport.h"
#include "QtTestApp.h"

namespace td::testing {

inline LoginDataSet watchlistDataSet() {
  LoginDataSet d = standardDataSet();
  d.sessions = {{{"SettingsId", "1"}, {"SettingsName", "Open"}, {"SessionColor", "65280"}},
                {{"SettingsId", "2"}, {"SettingsName", "Pre-open"}, {"SessionColor", "16744448"}}};
  auto item = [](std::string id, std::string code, std::string type, std::string session) {
    return Row{{"InstrumentId", id},     {"Name", code + " name"},  {"Code", code},
               {"Enabled", "1"},         {"InstrumentTypeId", type}, {"TickSize", "0.0001"},
               {"DecimalPlaces", "4"},   {"IsAvailableForWatchList", "1"},
               {"CurrentTradeSessionSettingId", session}, {"ContractSize", "100"}};
  };
  d.items = {item("1", "EURUSD", "1", "1"), item("2", "GBPUSD", "1", "2"), item("3", "DAX", "2", "1")};
  d.groupInstruments = {{{"groupdetailsid", "1"}, {"groupid", "7"}, {"InstrumentId", "1"}, {"SpreadTypeId", "0"},
                         {"buyInterestRate", "2.6"}, {"sellInterestRate", "1.2"}, {"LimitMinPips", "5"},
                         {"StopMinPips", "7"}, {"Initialmargin", "10.5"}, {"IntradayOrderMargin", "0"},
                         {"BTSTOrderMargin", "0"}, {"OverNightMargin", "12"}, {"MarginCalcModeId", "1"}}};
  return d;
}

class WatchlistTest : public SessionTest {
 protected:
  WatchlistTest() { test::qtTestApp(); }

  void open() {
    loginData(watchlistDataSet());
    loginAccepted();
    queue.runPending();
  }
  std::function<std::shared_ptr<BusinessBase>()> sessionOfTest() {
    return [this] { return session; };
  }
  // A price line: every figure given (0 keeps the stored one), at "HH:mm:ss" of 2024-01-02.
  void tick(const std::string& code, double bid, double ask, const std::string& time = "10:00:00", double high = 0,
            double low = 0) {
    auto offset = [](double v) { return std::to_string(std::llround(v * 100000)); };
    const std::string stamp = "20240102" + time.substr(0, 2) + time.substr(3, 2) + time.substr(6, 2);
    session->ZMQNewMessage(code + "\x04" + stamp + "\x04" "0\x04" "0\x04" + offset(bid) + "\x04" + offset(ask) +
                           "\x04" + offset(high) + "\x04" + offset(low) + "\x04" "0\x04" "0\x04" "5");
  }
  ItemDetails& item(const std::string& code) { return *session->ItemCollection().at(code); }
  // Marks every request of the request channel sent so far as answered.
  void answerAllRequests() {
    for (; answered_ < transport->zmq.size(); ++answered_) session->connectionDidFinishRequest(true);
  }

 private:
  std::size_t answered_ = 0;
};

}  // namespace td::testing
