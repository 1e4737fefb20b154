// The session's dispatcher fed arbitrary input: the first byte picks the road (a plain frame of the
// TCP session, the same frame inside an encrypted envelope, re-entered text, or a feed line), the rest
// is the message. A session with a loaded login data set is made for every input.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "../tests/model/LoginDataSetWriter.h"
#include "../tests/session/NullSessionTransport.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "platform/ManualMainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/BusinessBase.h"
#include "wire/Envelope.h"
#include "wire/MessageBase.h"

namespace {

const std::string& loginData() {
  static const std::string text = [] {
    td::testing::LoginDataSet d;
    d.user = {{{"userid", "7"}, {"marketdepthPort", "1"}, {"hdserverPort", "2"}}};
    d.itemTypes = {{{"InstrumentTypeId", "1"}, {"InstrumentTypeName", "Forex"}}};
    d.items = {{{"InstrumentId", "1"}, {"Name", "EUR"}, {"Code", "EURUSD"}, {"Enabled", "1"},
                {"InstrumentTypeId", "1"}, {"TickSize", "0.0001"}, {"DecimalPlaces", "4"},
                {"IsAvailableForWatchList", "1"}}};
    d.groups = {{{"GroupId", "1"}}};
    d.groupInstruments = {{{"groupid", "1"}, {"InstrumentId", "1"}, {"SpreadTypeId", "1"}, {"SpreadBid", "1"},
                           {"SpreadAsk", "1"}}};
    d.accounts = {{{"AccountId", "5"}, {"GroupId", "1"}}};
    d.loginMessages = {{"1", "https://x", "15"}};
    return d.amp();
  }();
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = (td::log::setLevel(td::log::Level::Off), true);
  (void)quiet;
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

  td::ManualMainQueue queue;
  td::LoginInputdata logindata(td::ServerPresets::shipped());
  logindata.setUserName("fuzz");
  td::BusinessBase::Environment env;
  env.logindata = &logindata;
  env.mainQueue = &queue;
  env.notifications = std::make_shared<td::NotificationCenter>(&queue);
  td::BusinessBase::Options options;
  options.transportFactory = [](td::ConnectionEvents&) { return std::make_unique<td::testing::NullSessionTransport>(); };
  auto session = td::BusinessBase::create(env, options);
  session->referenceData().FillAmpDetails(loginData());

  switch (data[0] % 4) {
    case 0:
      session->NewMessage(input);
      break;
    case 1: {
      std::string body;
      if (td::Envelope::writeBody(input, logindata.SecurityKey(), false, body)) {
        session->NewMessage(std::to_string(td::MessageBase::utf16Length(body)) + "\x03" + body);
      }
      break;
    }
    case 2:
      session->ProcessMessage(input);
      break;
    default:
      session->ZMQNewMessage(input);
      break;
  }
  queue.runPending();
  return 0;
}
