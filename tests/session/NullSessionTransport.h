#pragma once
// A session transport that goes nowhere: every send succeeds, it always counts as connected and
// networked. For driving a session by hand in tests, benchmarks and fuzz targets.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "session/SessionTransport.h"

namespace td::testing {

class NullSessionTransport : public SessionTransport {
 public:
  void ConnectToServer(bool) override {}
  bool SendMessagetoServer(std::string_view) override { return true; }
  void SendZMQRequestMessagetoServer(std::string) override {}
  void DisconnectServer() override {}
  void ReloginRequestDisconnectServer() override {}
  void ConnectToZMQSubServer(const std::string&, int) override {}
  void ConnectToZMQReqServer(const std::string&, int) override {}
  void ProcessSubscribeandUnSubscribeItems(const std::vector<std::string>&, bool) override {}
  void setSubscriptionsBlocked(std::function<bool()>) override {}
  void setIsNetworkAvailable(bool) override {}
  bool isNetworkAvailable() const override { return true; }
  bool isConnected() const override { return true; }
  void shutdown() override {}
};

}  // namespace td::testing
