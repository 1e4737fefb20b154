#pragma once
// One TCP session of the simulated server, from the first byte to the close.
//
// Bytes are cut into frames by the client's own FrameReassembler; an envelope (type 76) is opened
// with the session's current pass phrase and its inner frames are cut and handled like the others.
// The pass phrase starts as the initial pass phrase and becomes the session key right after the
// login data set (type 33) is sent, exactly when the client switches; every message the server
// sends on this session is enveloped under the pass phrase in force.
//
// What each received message type does is one row of handlers() (type, label, whether the
// session must be open, handler). The order requests (types 60, 72, 77 and 1052) go to the
// server's order desk (OrderBook), whose reports (62, 66, 67, 1052) and account summaries reach
// every open session of the account's owner. The chat requests (601, 603, 608, 613, 615, 617, 626,
// 678) go to the server's chat (ChatService), whose answers reach the requester or every open
// session of the user.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ServerMessage.h"
#include "transport/FrameReassembler.h"

namespace td::sim {

class SimServer;

class ClientSession {
 public:
  ClientSession(SimServer& server, int fd, int id);
  ~ClientSession();
  ClientSession(const ClientSession&) = delete;
  ClientSession& operator=(const ClientSession&) = delete;

  int fd() const { return fd_; }
  int id() const { return id_; }
  bool isOpen() const { return sessionOpen_; }
  bool finished() const { return finished_; }
  bool wantsWrite() const { return !out_.empty(); }
  const std::string& userName() const { return userName_; }

  // Reads what the socket holds (at most one buffer per call) and handles every complete frame.
  void onReadable();
  // Writes as much of the pending output as the socket takes; closes when a close was asked for
  // and everything is written.
  void onWritable();
  // One feed tick: every summaryEvery-th tick the account summaries are sent again.
  void onTick(std::uint64_t tick);
  // Whether the logged-in user owns the account.
  bool ownsAccount(int account) const;
  // Sends one message of the order desk, or the summary of one account.
  void deliver(const ServerMessage& message) { send(message); }
  void sendAccountSummary(int account);

  static constexpr std::uint64_t summaryEvery = 20;
  static constexpr std::size_t kMaxPendingOutput = 16u << 20;

  struct Handler {
    int type;
    const char* label;
    bool needsOpenSession;
    void (ClientSession::*handle)(const ServerMessage& message);
  };
  static std::span<const Handler> handlers();

 private:
  void handleFrame(std::string_view frame, int depth);
  void handleMessage(const ServerMessage& message, bool initialEnvelope);

  void onLogin(const ServerMessage& message);
  void onPing(const ServerMessage& message);
  void onPasswordChange(const ServerMessage& message);
  void onDemoUserCreation(const ServerMessage& message);
  void onOrder(const ServerMessage& message);
  void onEditOrder(const ServerMessage& message);
  void onBulkOrder(const ServerMessage& message);
  void onCloseHedgedPositions(const ServerMessage& message);
  void onChat(const ServerMessage& message);

  void refuse(int errorCode, const std::string& text);
  void sendAccountSummaries();
  // Envelopes and queues one message; counts it for the faults and applies them.
  void send(const ServerMessage& message);
  void sendGarbage();
  void closeAfterFlush();
  void close(const char* why);

  SimServer& server_;
  int fd_;
  int id_;
  FrameReassembler in_;
  FrameReassembler inner_;
  std::string out_;
  std::string passPhrase_;
  std::string userName_;
  bool gotFirstRequest_ = false;
  bool sessionOpen_ = false;
  bool closing_ = false;
  bool finished_ = false;
  bool faultSent_ = false;
  bool firstEnvelopeInitial_ = false;  // while the inner frames of the first envelope are handled
  std::uint64_t sent_ = 0;
};

}  // namespace td::sim
