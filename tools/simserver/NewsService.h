#pragma once
// The news service of the simulated server: RSS 2.0 feeds over HTTP/1.1 on 127.0.0.1.
//
//   GET /news/Service1.asmx/Rss2_V2?category=NAME&newsID=&maxCount=
//       the feed of one of the sixteen categories (text/xml; charset=utf-8); the path may begin with
//       several slashes, as the client writes it; an unknown category is answered 400
//   GET /news/article?category=NAME&id=N
//       a small HTML page for one item: every item's link points there
//   anything else: 404 (405 for a method other than GET and HEAD)
//
// Each feed holds three items whose titles carry entity references and non-ASCII text; their dates
// lie a few minutes to a few hours before the request. One request per connection: the answer
// carries "Connection: close" and the connection closes once it is written. The service is served
// by the simulated server's one thread, through its poll set.

#include <zmq.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace td::sim {

class NewsService {
 public:
  struct Response {
    int status = 200;
    std::string reason = "OK";
    std::string contentType;
    std::string body;
  };

  // `log` receives one line per request answered.
  explicit NewsService(std::function<void(const std::string&)> log);
  ~NewsService();
  NewsService(const NewsService&) = delete;
  NewsService& operator=(const NewsService&) = delete;

  // Listens on 127.0.0.1:port (0: a free port); false with `error` when it cannot.
  bool start(int port, std::string& error);
  int port() const { return port_; }

  // Appends the service's sockets to the poll set of the server's loop.
  void addPollItems(std::vector<zmq_pollitem_t>& items) const;
  // Handles the results of the items addPollItems appended (in that order, `count` of them) and
  // closes connections that sent no complete request within kIdleLimitMs.
  void onPolled(const zmq_pollitem_t* items, std::size_t count, std::int64_t nowMs);
  std::size_t connectionCount() const { return connections_.size(); }

  // The answer to one request, at the given time (Unix seconds, for the items' dates).
  Response answer(std::string_view method, std::string_view target, std::int64_t nowUnix) const;

  static std::span<const char* const> categories();

  static constexpr std::size_t kMaxConnections = 32;
  static constexpr std::size_t kMaxRequestBytes = 16 * 1024;
  static constexpr std::int64_t kIdleLimitMs = 10000;

 private:
  struct Connection {
    int fd = -1;
    std::string in;
    std::string out;
    bool answered = false;
    std::int64_t openedMs = 0;
  };

  void acceptConnections(std::int64_t nowMs);
  // Reads what the socket holds; false when the connection is to be closed.
  bool readFrom(Connection& c);
  // Writes what is pending; false when the connection is done or broken.
  bool writeTo(Connection& c);
  std::string feed(std::string_view category, std::int64_t nowUnix) const;
  std::string article(std::string_view category, int id, std::int64_t nowUnix) const;

  std::function<void(const std::string&)> log_;
  int listenFd_ = -1;
  int port_ = 0;
  std::vector<Connection> connections_;
};

}  // namespace td::sim
