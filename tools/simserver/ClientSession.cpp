#include "ClientSession.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "LoginDataWriter.h"
#include "SimServer.h"
#include "platform/Log.h"
#include "wire/SessionKey.h"

namespace td::sim {
namespace {

// The login request's tags, in the order the client writes them.
constexpr std::array<int, 12> kLoginTags{10, 23, 18, 20, 19, 563, 114, 105, 1018, 504, 160, 21};

// Login message codes of a refusal: 10 disabled, 11 expired, 12 unsupported version. A wrong user
// name or password carries code 1.
constexpr int kBadCredentials = 1;

}  // namespace

std::span<const ClientSession::Handler> ClientSession::handlers() {
  static const Handler table[] = {
      {32, "Login", false, &ClientSession::onLogin},
      {1026, "DemoUserCreation", false, &ClientSession::onDemoUserCreation},
      {1018, "Ping", true, &ClientSession::onPing},
      {37, "PasswordChange", true, &ClientSession::onPasswordChange},
      {60, "Order", true, &ClientSession::onOrder},
      {72, "EditOrder", true, &ClientSession::onEditOrder},
      {77, "BulkOrder", true, &ClientSession::onBulkOrder},
      {1052, "CloseHedgedPositions", true, &ClientSession::onCloseHedgedPositions},
      {617, "ContactList", true, &ClientSession::onChat},
      {626, "RecentConversations", true, &ClientSession::onChat},
      {613, "OfflineMessages", true, &ClientSession::onChat},
      {615, "RoomMessages", true, &ClientSession::onChat},
      {608, "ChatAcknowledgement", true, &ClientSession::onChat},
      {601, "NewRoom", true, &ClientSession::onChat},
      {603, "ChatMessage", true, &ClientSession::onChat},
      {678, "ChatQueueRequest", true, &ClientSession::onChat},
  };
  return table;
}

ClientSession::ClientSession(SimServer& server, int fd, int id)
    : server_(server),
      fd_(fd),
      id_(id),
      in_([this](std::string_view frame) { handleFrame(frame, 0); }),
      inner_([this](std::string_view frame) { handleFrame(frame, 1); }),
      passPhrase_(server.initialPassPhrase()) {}

ClientSession::~ClientSession() {
  if (fd_ >= 0) ::close(fd_);
}

void ClientSession::onReadable() {
  if (finished_) return;
  char buf[SimServer::kReadChunk];
  ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
  if (n > 0) {
    if (!closing_) in_.feed(std::string_view(buf, static_cast<std::size_t>(n)));
    return;
  }
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  close(n == 0 ? "closed by the client" : "read failed");
}

void ClientSession::onWritable() {
  while (!out_.empty() && !finished_) {
    ssize_t n = ::send(fd_, out_.data(), out_.size(), MSG_NOSIGNAL);
    if (n > 0) {
      out_.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    close("write failed");
    return;
  }
  if (closing_ && out_.empty()) close("closed by the server");
}

void ClientSession::onTick(std::uint64_t tick) {
  if (sessionOpen_ && !closing_ && tick % summaryEvery == 0) sendAccountSummaries();
}

void ClientSession::handleFrame(std::string_view frame, int depth) {
  if (closing_ || finished_) return;
  auto message = ServerMessage::parse(frame);
  if (!message) {
    server_.logLine("IN  tcp#" + std::to_string(id_) + " unreadable frame dropped");
    return;
  }
  if (message->type != 76) {
    if (depth > 0) {
      handleMessage(*message, firstEnvelopeInitial_);
    } else {
      server_.logLine("IN  tcp#" + std::to_string(id_) + " plain message outside an envelope dropped: " +
                      message->describe());
    }
    return;
  }
  if (depth > 0) {
    server_.logLine("IN  tcp#" + std::to_string(id_) + " envelope inside an envelope dropped");
    return;
  }
  auto inner = openEnvelope(*message, passPhrase_);
  if (!inner) {
    server_.logLine("IN  tcp#" + std::to_string(id_) + " envelope that does not open dropped");
    return;
  }
  bool initial = isInitialEnvelope(*message);
  // The inner frames are handled by the inner cutter; the initial mark travels with them.
  bool wasFirst = gotFirstRequest_;
  if (initial && wasFirst) {
    server_.logLine("IN  tcp#" + std::to_string(id_) + " initial envelope after the first request dropped");
    return;
  }
  if (!initial && !wasFirst) {
    server_.logLine("IN  tcp#" + std::to_string(id_) + " first request not marked initial; closing");
    closeAfterFlush();
    return;
  }
  gotFirstRequest_ = true;
  firstEnvelopeInitial_ = initial;
  inner_.feed(*inner);
  firstEnvelopeInitial_ = false;
}

void ClientSession::handleMessage(const ServerMessage& message, bool initialEnvelope) {
  server_.logLine("IN  tcp#" + std::to_string(id_) + " " + message.describe());
  for (const Handler& h : handlers()) {
    if (h.type != message.type) continue;
    if (h.needsOpenSession && !sessionOpen_) {
      server_.logLine("    " + std::string(h.label) + " before the session is open; dropped");
      return;
    }
    if (!h.needsOpenSession && !initialEnvelope) {
      server_.logLine("    " + std::string(h.label) + " must be the first request, enveloped as initial; dropped");
      return;
    }
    (this->*h.handle)(message);
    return;
  }
  server_.logLine("    no handler for type " + std::to_string(message.type) + "; dropped");
}

void ClientSession::onLogin(const ServerMessage& message) {
  if (!userName_.empty() || sessionOpen_) return;
  if (message.tags() != std::vector<int>(kLoginTags.begin(), kLoginTags.end())) {
    server_.logLine("    login fields out of order; refused");
    refuse(kBadCredentials, "Malformed login request");
    return;
  }
  std::string name(message.get(23).value_or(""));
  std::string password(message.get(18).value_or(""));
  const UserSpec* user = server_.scenario().user(name);
  if (!user || user->password != password) {
    refuse(kBadCredentials, "Invalid user name or password");
    return;
  }
  if (user->refuse == 12) {
    refuse(12, server_.scenario().downloadUrl);
    return;
  }
  if (user->refuse == 10 || user->refuse == 11) {
    refuse(user->refuse, user->refuse == 10 ? "Login disabled" : "Account expired");
    return;
  }
  userName_ = name;
  LoginDataContext context{server_.pubPort(), server_.repPort(), unixNow(), server_.feed().quotes()};
  LoginDataWriter writer(server_.scenario(), std::move(context));
  bool xml = server_.options().xmlForm;
  auto payload = compressPayload(xml ? writer.xml(*user) : writer.amp(*user));
  if (!payload) {
    close("the login data set does not compress");
    return;
  }
  std::string referenceId = server_.nextReferenceId();
  std::string serverTime = ampTime(unixNow());
  ServerMessage reply(33);
  reply.add(19, referenceId).add(21, serverTime).add(160, xml ? "XML" : "AMP").add(1050, *payload);
  send(reply);
  // The client takes the session key when it has handled the login data set; so does the server.
  passPhrase_ = GenerateNewEncryptionKey(name, password, referenceId, serverTime);
  sessionOpen_ = true;
  send(ServerMessage(18));
  if (server_.options().faults.garbage) sendGarbage();
  sendAccountSummaries();
}

void ClientSession::refuse(int errorCode, const std::string& text) {
  auto payload = compressPayload(LoginDataWriter::ampRefusal(errorCode, text));
  if (payload) {
    ServerMessage reply(47);
    reply.add(160, "AMP").add(1050, *payload);
    send(reply);
  }
  closeAfterFlush();
}

void ClientSession::onPing(const ServerMessage& message) {
  ServerMessage reply(1019);
  if (auto id = message.get(20)) reply.add(20, std::string(*id));
  reply.add(21, ampTime(unixNow()));
  send(reply);
}

void ClientSession::onPasswordChange(const ServerMessage& message) {
  UserSpec* user = server_.scenario().user(userName_);
  if (!user) return;
  std::string oldPassword(message.get(104).value_or(""));
  std::string newPassword(message.get(103).value_or(""));
  bool ok = user->canChangePassword && message.get(23) == std::string_view(userName_) &&
            oldPassword == user->password && !newPassword.empty() &&
            newPassword.find_first_of("\x01\x02\x03\x04\x05\x06\x07") == std::string::npos;
  if (ok) user->password = newPassword;
  ServerMessage reply(38);
  if (auto id = message.get(20)) reply.add(20, std::string(*id));
  // Tag 103 always carries the password now in force, since the client takes it whatever the result.
  reply.add(17, ok ? "Success" : "Failure").add(103, user->password);
  send(reply);
}

void ClientSession::onDemoUserCreation(const ServerMessage& message) {
  Scenario& s = server_.scenario();
  const UserSpec* model = s.user("demo");
  int group = s.groups.empty() ? 0 : s.groups.front().id;
  if (model && !model->accounts.empty())
    if (const AccountSpec* a = s.account(model->accounts.front())) group = a->group;
  ServerMessage reply(1027);
  if (group == 0 || s.users.size() >= 10000) {
    send(reply);
    closeAfterFlush();
    return;
  }
  int accountId = 1;
  for (const auto& a : s.accounts) accountId = std::max(accountId, a.id + 1);
  int userId = 1;
  for (const auto& u : s.users) userId = std::max(userId, u.userId + 1);
  double deposit = 10000;
  try {
    std::string d(message.get(564).value_or(""));
    if (!d.empty()) deposit = std::stod(d);
  } catch (const std::exception&) {
  }
  if (!(deposit > 0) || deposit > 1e9) deposit = 10000;
  AccountSpec account;
  account.id = accountId;
  account.group = group;
  account.name = std::string(message.get(1139).value_or("Demo"));
  if (account.name.empty() || account.name.find_first_of("\x01\x02\x03\x04\x05\x06\x07<>&") != std::string::npos)
    account.name = "Demo";
  account.balance = deposit;
  UserSpec user;
  user.name = "demo" + std::to_string(userId);
  for (int n = 2; s.user(user.name); ++n) user.name = "demo" + std::to_string(userId) + "-" + std::to_string(n);
  static const char kLetters[] = "abcdefghjkmnpqrstuvwxyz23456789";
  for (int i = 0; i < 8; ++i) user.password += kLetters[server_.nextRandom() % (sizeof kLetters - 1)];
  user.userId = userId;
  user.accounts = {accountId};
  s.accounts.push_back(account);
  s.users.push_back(user);
  reply.add(23, user.name).add(18, user.password);
  send(reply);
  closeAfterFlush();
}

void ClientSession::sendAccountSummaries() {
  const UserSpec* user = server_.scenario().user(userName_);
  if (!user) return;
  for (int id : user->accounts) {
    sendAccountSummary(id);
    if (closing_) return;
  }
}

void ClientSession::sendAccountSummary(int id) {
  const AccountSpec* a = server_.scenario().account(id);
  if (!a) return;
  double equity = server_.orders().equity(id);
  ServerMessage m(1045);
  m.add(34, std::int64_t{id})
      .add(24, std::int64_t{a->tradingStatus == 5 ? 825 : 813 + std::max(1, a->tradingStatus)})
      .add(84, money(a->usedMargin))
      .add(85, money(equity - a->usedMargin))
      .add(129, std::int64_t{0})
      .add(130, money(equity))
      .add(132, money(0))
      .add(141, money(a->storage))
      .add(144, money(a->collateral))
      .add(560, money(a->balance));
  send(m);
}

bool ClientSession::ownsAccount(int account) const {
  const UserSpec* user = server_.scenario().user(userName_);
  return user && std::find(user->accounts.begin(), user->accounts.end(), account) != user->accounts.end();
}

void ClientSession::onOrder(const ServerMessage& message) {
  if (const UserSpec* user = server_.scenario().user(userName_))
    server_.deliverOrders(this, server_.orders().order(*user, message));
}

void ClientSession::onEditOrder(const ServerMessage& message) {
  if (const UserSpec* user = server_.scenario().user(userName_))
    server_.deliverOrders(this, server_.orders().editOrder(*user, message));
}

void ClientSession::onBulkOrder(const ServerMessage& message) {
  if (const UserSpec* user = server_.scenario().user(userName_))
    server_.deliverOrders(this, server_.orders().bulkOrder(*user, message));
}

void ClientSession::onCloseHedgedPositions(const ServerMessage& message) {
  if (const UserSpec* user = server_.scenario().user(userName_))
    server_.deliverOrders(this, server_.orders().offset(*user, message));
}

void ClientSession::onChat(const ServerMessage& message) { server_.chatRequest(this, userName_, message); }

void ClientSession::send(const ServerMessage& message) {
  if (closing_ || finished_) return;
  auto sealed = sealEnvelope(message.frame(), passPhrase_);
  if (!sealed) {
    close("a message could not be enveloped");
    return;
  }
  server_.logLine("OUT tcp#" + std::to_string(id_) + " " + message.describe());
  out_ += *sealed;
  ++sent_;
  if (out_.size() > kMaxPendingOutput) {
    close("the client does not read");
    return;
  }
  const Faults& f = server_.options().faults;
  if (faultSent_) return;
  auto reached = [&](const std::optional<int>& n) { return n && sent_ >= static_cast<std::uint64_t>(*n); };
  if (reached(f.disconnectAfter)) {
    faultSent_ = true;
    server_.logLine("    fault: dropping the session after " + std::to_string(sent_) + " messages");
    closeAfterFlush();
  } else if (reached(f.elsewhereAfter)) {
    faultSent_ = true;
    send(ServerMessage(44).add(105, "Your user name has logged in at another location"));
    closeAfterFlush();
  } else if (reached(f.reloginAfter)) {
    faultSent_ = true;
    send(ServerMessage(1028));
    closeAfterFlush();
  }
}

void ClientSession::sendGarbage() {
  // Bytes outside any frame, a frame that is no message, and an envelope that does not open.
  std::string junk = "noise outside frames";
  junk += "\x01" "9\x03" "not=a\x05msg\x02";
  junk += "\x01" "12\x03" "10=76\x03" "27=@@\x03\x02";
  out_ += junk;
  server_.logLine("OUT tcp#" + std::to_string(id_) + " fault: garbage frames");
}

void ClientSession::closeAfterFlush() {
  closing_ = true;
  if (out_.empty()) close("closed by the server");
}

void ClientSession::close(const char* why) {
  if (finished_) return;
  finished_ = true;
  server_.logLine("    tcp#" + std::to_string(id_) + " " + why);
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

}  // namespace td::sim
