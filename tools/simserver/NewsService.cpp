#include "NewsService.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <map>

#include "Loopback.h"
#include "http/HTTPUtilities.h"

namespace td::sim {
namespace {

constexpr std::array<const char*, 16> kCategories{
    "BreakingNews", "Business", "Commodities", "Education", "Entertainment", "Financial", "Forex", "Health",
    "Political",    "Science",  "Sports",      "Stocks",    "Technology",    "TopNews",   "Weather", "WorldNews"};

// The items' titles as XML text, per category in the order above: entity references and UTF-8.
constexpr std::array<std::array<const char*, 3>, 16> kTitles{{
    {"Central bank holds rates at 4.25% &amp; signals patience", "Port strike ends in Rotterdam; shipping resumes",
     "Markets pause as the Zürich summit opens"},
    {"Nordhaven &amp; Co. posts record quarterly revenue", "Café chain Brûlerie expands to 40 new cities",
     "Retail sales rise 0.6% &#8212; strongest since spring"},
    {"Gold tops $2,400 as the dollar slips", "Brent crude &lt; $80 for the first time in six weeks",
     "Coffee futures jump on São Paulo frost"},
    {"Universities report record enrolment in data science", "Scholarship fund for São Tomé students doubles",
     "Exam season: tips for the &quot;final stretch&quot;"},
    {"Festival line-up announced for Montréal", "Box office: sequel takes &#163;12m on its opening weekend",
     "Streaming subscriptions climb &amp; churn falls"},
    {"Bond yields ease after the inflation report", "Bank of Tarnwick raises its dividend &amp; buyback",
     "Credit spreads narrow to 2021 levels"},
    {"EUR/USD holds above 1.0850 as ECB &amp; Fed diverge", "Yen weakens past ¥155 per dollar",
     "Sterling firms; CHF steady after SNB remarks in Zürich"},
    {"New clinic network opens in Malmö", "Study: 30 minutes of walking &gt; no exercise at all",
     "Vaccine maker lifts its outlook"},
    {"Coalition talks resume in Berlin", "Finance minister: &#8220;the budget is on track&#8221;",
     "Élysée announces a reform timetable"},
    {"Telescope captures a distant galaxy cluster", "Researchers in Zürich report a battery breakthrough",
     "Ocean temperatures &amp; currents mapped in new detail"},
    {"Champions crowned after a 3&#8211;2 thriller", "Marathon record falls in Berlin",
     "Tennis: Müller advances to the semi-final"},
    {"S&amp;P 500 closes at a record high", "Nikkei 225 gains 1.2%; exporters lead",
     "DAX slips as car makers weigh"},
    {"Chipmaker unveils a 2&#xA0;nm process", "Smartphone shipments rise in the second quarter",
     "Cloud outage &lt;resolved&gt; after four hours"},
    {"Markets rally as inflation cools &#8212; live updates", "Oil &amp; gas merger approved",
     "Trade talks in Genève make progress"},
    {"Heatwave warning for southern Europe: 40°C expected", "Storm delays flights at Schiphol",
     "Drought eases after weekend rain"},
    {"Summit in Reykjavík ends with a joint statement", "Elections: turnout tops 70%",
     "Aid convoy reaches Łódź"},
}};

// The query's values as written: the service's names and numbers need no escapes.
std::map<std::string, std::string, std::less<>> queryOf(std::string_view query) {
  std::map<std::string, std::string, std::less<>> out;
  while (!query.empty()) {
    const auto amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
    const auto eq = pair.find('=');
    out.emplace(pair.substr(0, eq), eq == std::string_view::npos ? std::string_view{} : pair.substr(eq + 1));
  }
  return out;
}

// "Tue, 14 May 2024 09:30:00 GMT": the date form of RSS, which HTTP's is too.
std::string rfc822(std::int64_t unix) {
  return rfc1123StringFromDate(WallClock::from_time_t(static_cast<std::time_t>(unix)));
}

int categoryIndex(std::string_view category) {
  for (std::size_t i = 0; i < kCategories.size(); ++i)
    if (category == kCategories[i]) return static_cast<int>(i);
  return -1;
}

// Item `id` (1..3) of a category was published this many seconds before now.
std::int64_t ageSeconds(int category, int id) { return 60 * (5 + 3 * category + 47 * (id - 1)); }

NewsService::Response text(int status, const char* reason, std::string body) {
  return {status, reason, "text/plain; charset=utf-8", std::move(body) + "\n"};
}

}  // namespace

NewsService::NewsService(std::function<void(const std::string&)> log) : log_(std::move(log)) {}

NewsService::~NewsService() {
  for (const Connection& c : connections_) ::close(c.fd);
  if (listenFd_ >= 0) ::close(listenFd_);
}

std::span<const char* const> NewsService::categories() { return kCategories; }

bool NewsService::start(int port, std::string& error) {
  listenFd_ = listenOnLoopback(port, port_, " for news", error);
  return listenFd_ >= 0;
}

void NewsService::addPollItems(std::vector<zmq_pollitem_t>& items) const {
  items.push_back({nullptr, listenFd_, ZMQ_POLLIN, 0});
  for (const Connection& c : connections_)
    items.push_back({nullptr, c.fd, static_cast<short>(c.answered ? ZMQ_POLLOUT : ZMQ_POLLIN), 0});
}

void NewsService::onPolled(const zmq_pollitem_t* items, std::size_t count, std::int64_t nowMs) {
  // Only the connections that were polled: one accepted below joins the next pass.
  const std::size_t polled = std::min(count == 0 ? 0 : count - 1, connections_.size());
  std::vector<bool> done(connections_.size(), false);
  for (std::size_t i = 0; i < polled; ++i) {
    Connection& c = connections_[i];
    const short events = items[1 + i].revents;
    if (!c.answered && (events & (ZMQ_POLLIN | ZMQ_POLLERR))) done[i] = !readFrom(c);
    if (!done[i] && c.answered && (events & (ZMQ_POLLOUT | ZMQ_POLLERR))) done[i] = !writeTo(c);
    if (!done[i] && !c.answered && nowMs - c.openedMs > kIdleLimitMs) done[i] = true;
  }
  for (std::size_t i = connections_.size(); i-- > 0;) {
    if (!done[i]) continue;
    ::close(connections_[i].fd);
    connections_.erase(connections_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  if (count > 0 && (items[0].revents & ZMQ_POLLIN)) acceptConnections(nowMs);
}

void NewsService::acceptConnections(std::int64_t nowMs) {
  for (int i = 0; i < 16; ++i) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    if (connections_.size() >= kMaxConnections) {
      log_("    news: refusing a connection: too many connections");
      ::close(fd);
      continue;
    }
    connections_.push_back({fd, {}, {}, false, nowMs});
  }
}

bool NewsService::readFrom(Connection& c) {
  char buf[4096];
  const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return true;
  if (n <= 0) return false;
  c.in.append(buf, static_cast<std::size_t>(n));
  const auto headEnd = c.in.find("\r\n\r\n");
  Response response;
  std::string method;
  if (headEnd == std::string::npos) {
    if (c.in.size() <= kMaxRequestBytes) return true;
    response = text(431, "Request Header Fields Too Large", "request too large");
  } else {
    const std::string_view line(c.in.data(), c.in.find("\r\n"));
    const auto sp1 = line.find(' ');
    const auto sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line.substr(sp2 + 1).rfind("HTTP/1.", 0) != 0) {
      response = text(400, "Bad Request", "malformed request line");
    } else {
      method = std::string(line.substr(0, sp1));
      response = answer(method, line.substr(sp1 + 1, sp2 - sp1 - 1), static_cast<std::int64_t>(std::time(nullptr)));
    }
    log_("HTTP " + std::string(line) + " -> " + std::to_string(response.status));
  }
  c.out = "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason +
          "\r\nContent-Type: " + response.contentType + "\r\nContent-Length: " + std::to_string(response.body.size()) +
          "\r\nConnection: close\r\n\r\n";
  if (method != "HEAD") c.out += response.body;
  c.answered = true;
  c.in.clear();
  return writeTo(c);
}

bool NewsService::writeTo(Connection& c) {
  while (!c.out.empty()) {
    const ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
    if (n > 0) {
      c.out.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return true;
    return false;
  }
  return false;  // all written: the connection closes
}

NewsService::Response NewsService::answer(std::string_view method, std::string_view target,
                                          std::int64_t nowUnix) const {
  if (method != "GET" && method != "HEAD") return text(405, "Method Not Allowed", "only GET and HEAD");
  const auto question = target.find('?');
  std::string_view path = target.substr(0, question);
  while (path.size() > 1 && path[0] == '/' && path[1] == '/') path.remove_prefix(1);
  const auto query = queryOf(question == std::string_view::npos ? std::string_view{} : target.substr(question + 1));
  const auto param = [&](std::string_view key) {
    const auto it = query.find(key);
    return it == query.end() ? std::string() : it->second;
  };
  if (path == "/news/Service1.asmx/Rss2_V2") {
    const std::string category = param("category");
    if (categoryIndex(category) < 0) return text(400, "Bad Request", "unknown category \"" + category + "\"");
    return {200, "OK", "text/xml; charset=utf-8", feed(category, nowUnix)};
  }
  if (path == "/news/article") {
    const std::string category = param("category");
    const std::string id = param("id");
    int n = 0;
    const auto [end, ec] = std::from_chars(id.data(), id.data() + id.size(), n);
    if (categoryIndex(category) < 0 || ec != std::errc() || end != id.data() + id.size() || n < 1 || n > 3)
      return text(404, "Not Found", "no such article");
    return {200, "OK", "text/html; charset=utf-8", article(category, n, nowUnix)};
  }
  return text(404, "Not Found", "no such page");
}

std::string NewsService::feed(std::string_view category, std::int64_t nowUnix) const {
  const int index = categoryIndex(category);
  const std::string base = "http://127.0.0.1:" + std::to_string(port_) + "/news/";
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\">\n<channel>\n"
      "<title>TarnwickDesk News: " + std::string(category) + "</title>\n<link>" + base + "</link>\n"
      "<description>Headlines of the simulated news service</description>\n<language>en</language>\n"
      "<lastBuildDate>" + rfc822(nowUnix) + "</lastBuildDate>\n";
  for (int id = 1; id <= 3; ++id) {
    const std::string title = kTitles[static_cast<std::size_t>(index)][static_cast<std::size_t>(id - 1)];
    xml += "<item>\n<title>" + title + "</title>\n<link>" + base + "article?category=" + std::string(category) +
           "&amp;id=" + std::to_string(id) + "</link>\n<description>Simulated report: " + title +
           "</description>\n<pubDate>" + rfc822(nowUnix - ageSeconds(index, id)) +
           "</pubDate>\n<guid isPermaLink=\"false\">" + std::string(category) + "-" + std::to_string(id) +
           "</guid>\n</item>\n";
  }
  return xml + "</channel>\n</rss>\n";
}

std::string NewsService::article(std::string_view category, int id, std::int64_t nowUnix) const {
  const int index = categoryIndex(category);
  // XML text is HTML text too: the same entity references stand.
  const std::string title = kTitles[static_cast<std::size_t>(index)][static_cast<std::size_t>(id - 1)];
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title + "</title></head>\n<body><h1>" +
         title + "</h1>\n<p>" + std::string(category) + " &#183; " + rfc822(nowUnix - ageSeconds(index, id)) +
         "</p>\n<p>Simulated report of the TarnwickDesk demo news service.</p>\n</body></html>\n";
}

}  // namespace td::sim
