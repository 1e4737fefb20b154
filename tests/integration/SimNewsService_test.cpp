// The simulated server's news service: its feeds read with the client's XML reader, its answers to
// wrong requests, and its connections (requests in pieces, oversized and silent ones).

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "NewsService.h"
#include "ServerOptions.h"
#include "wire/TBXML.h"

namespace td::testing {
namespace {

using td::sim::NewsService;

constexpr std::int64_t kNow = 1700000000;

TEST(SimNewsService, EveryCategoryHasAFeedOfThreeItemsWhoseLinksAnswer) {
  NewsService service([](const std::string&) {});
  for (const char* category : NewsService::categories()) {
    // The client writes the path with a double slash.
    const auto response =
        service.answer("GET", "//news/Service1.asmx/Rss2_V2?category=" + std::string(category) + "&newsID=&maxCount=",
                       kNow);
    ASSERT_EQ(response.status, 200) << category;
    EXPECT_EQ(response.contentType, "text/xml; charset=utf-8");
    EXPECT_TRUE(TBXML::isValidUtf8(response.body));
    const auto xml = TBXML::tbxmlWithXMLString(response.body);
    const TBXMLElement* channel = TBXML::childElementNamed("channel", xml->rootXMLElement());
    int items = 0;
    for (const TBXMLElement* item = TBXML::childElementNamed("item", channel); item;
         item = TBXML::nextSiblingNamed("item", item), ++items) {
      EXPECT_FALSE(TBXML::textView(TBXML::childElementNamed("title", item)).empty());
      EXPECT_EQ(TBXML::textView(TBXML::childElementNamed("pubDate", item)).substr(3, 2), ", ");
      std::string link(TBXML::textView(TBXML::childElementNamed("link", item)));
      const std::string prefix = "http://127.0.0.1:0/news/article?category=" + std::string(category) + "&amp;id=";
      ASSERT_EQ(link.rfind(prefix, 0), 0u) << link;
      link.replace(0, prefix.size(), "/news/article?category=" + std::string(category) + "&id=");
      EXPECT_EQ(service.answer("GET", link, kNow).status, 200) << link;
    }
    EXPECT_EQ(items, 3) << category;
  }
}

TEST(SimNewsService, WrongRequestsAreAnsweredWithTheirStatus) {
  NewsService service([](const std::string&) {});
  EXPECT_EQ(service.answer("GET", "/news/Service1.asmx/Rss2_V2?category=Forex", kNow).status, 200);
  EXPECT_EQ(service.answer("HEAD", "/news/Service1.asmx/Rss2_V2?category=Forex", kNow).status, 200);
  EXPECT_EQ(service.answer("GET", "/news/Service1.asmx/Rss2_V2?category=Gossip", kNow).status, 400);
  EXPECT_EQ(service.answer("GET", "/news/Service1.asmx/Rss2_V2", kNow).status, 400);
  EXPECT_EQ(service.answer("GET", "/news/article?category=Forex&id=4", kNow).status, 404);
  EXPECT_EQ(service.answer("GET", "/news/article?category=Forex&id=1x", kNow).status, 404);
  EXPECT_EQ(service.answer("GET", "/other", kNow).status, 404);
  EXPECT_EQ(service.answer("POST", "/news/Service1.asmx/Rss2_V2?category=Forex", kNow).status, 405);

  std::string error;
  auto options = sim::ServerOptions::parse({"--news-port", "5003"}, error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->newsPort, 5003);
  EXPECT_EQ(sim::ServerOptions::parse({}, error)->newsPort, 0);
  EXPECT_FALSE(sim::ServerOptions::parse({"--news-port", "70000"}, error));
}

// A client socket of the test and the service's loop, turned by hand.
class NewsConnections : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(service_.start(0, error)) << error;
  }
  void TearDown() override {
    for (int fd : clients_) ::close(fd);
  }

  int connectClient() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(service_.port()));
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    clients_.push_back(fd);
    return fd;
  }
  void turn(std::int64_t nowMs, int times = 5) {
    for (int i = 0; i < times; ++i) {
      std::vector<zmq_pollitem_t> items;
      service_.addPollItems(items);
      zmq_poll(items.data(), static_cast<int>(items.size()), 20);
      service_.onPolled(items.data(), items.size(), nowMs);
    }
  }
  // What the service wrote until it closed the connection.
  std::string readAll(int fd, std::int64_t nowMs) {
    std::string out;
    for (int i = 0; i < 50; ++i) {
      turn(nowMs, 1);
      char buf[8192];
      const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
      if (n == 0) return out;
      if (n > 0) out.append(buf, static_cast<std::size_t>(n));
    }
    return out + "<still open>";
  }

  std::vector<std::string> log_;
  NewsService service_{[this](const std::string& line) { log_.push_back(line); }};
  std::vector<int> clients_;
};

TEST_F(NewsConnections, ARequestInPiecesIsAnsweredOnceAndTheConnectionCloses) {
  const int fd = connectClient();
  turn(0);
  const std::string request = "GET //news/Service1.asmx/Rss2_V2?category=Stocks&newsID=&maxCount= HTTP/1.1\r\n"
                              "Host: 127.0.0.1\r\n\r\n";
  for (std::size_t at = 0; at < request.size(); at += 7) {
    ASSERT_GT(::send(fd, request.data() + at, std::min<std::size_t>(7, request.size() - at), MSG_NOSIGNAL), 0);
    turn(0, 1);
  }
  const std::string reply = readAll(fd, 0);
  EXPECT_EQ(reply.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << reply;
  EXPECT_NE(reply.find("Connection: close\r\n"), std::string::npos);
  EXPECT_NE(reply.find("S&amp;P 500 closes at a record high"), std::string::npos);
  const auto body = reply.find("\r\n\r\n") + 4;
  EXPECT_NE(reply.find("Content-Length: " + std::to_string(reply.size() - body) + "\r\n"), std::string::npos);
  EXPECT_EQ(service_.connectionCount(), 0u);
  ASSERT_EQ(log_.size(), 1u);
  EXPECT_NE(log_[0].find("-> 200"), std::string::npos);
}

TEST_F(NewsConnections, OversizedMalformedAndSilentRequestsAreClosed) {
  const int big = connectClient();
  const int bad = connectClient();
  const int silent = connectClient();
  turn(0);
  const std::string huge(NewsService::kMaxRequestBytes + 1, 'a');  // all read before the answer
  ASSERT_GT(::send(big, huge.data(), huge.size(), MSG_NOSIGNAL), 0);
  ASSERT_GT(::send(bad, "NONSENSE\r\n\r\n", 12, MSG_NOSIGNAL), 0);
  EXPECT_EQ(readAll(big, 0).rfind("HTTP/1.1 431 ", 0), 0u);
  EXPECT_EQ(readAll(bad, 0).rfind("HTTP/1.1 400 ", 0), 0u);
  EXPECT_EQ(service_.connectionCount(), 1u);
  EXPECT_EQ(readAll(silent, NewsService::kIdleLimitMs + 1), "");
  EXPECT_EQ(service_.connectionCount(), 0u);
}

}  // namespace
}  // namespace td::testing
