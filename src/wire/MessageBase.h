#pragma once
// The session's one request writer. A requester opens a Request (which takes the writer's lock,
// sets the message type and empties the tag dictionary), stores its tags and calls BuildMessage:
// the row of RequestCatalogue for the type writes the body in its fixed tag order, frames it and
// hands it on, through the encrypted envelope to the TCP session or plain to the ZeroMQ request
// channel. The lock is held from emptying the dictionary to the end of BuildMessage, so no request
// can carry another request's tags.
//
// No value may break its frame: a value holding a separator byte (0x01 to 0x07) is refused, and
// the request is not built. Only the list fields of a request (RequestKind::listTags, such as the
// rows of a bulk order) may hold the inner separators 0x04 to 0x07 that their lists are made of.

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wire/Envelope.h"

namespace td {

class LoginInputdata;
struct RequestKind;

// What became of a request. True only when its frame reached the transport, so that a caller that
// needs no more than that may keep it as a bool.
class BuildResult {
 public:
  enum class Status {
    Sent,            // the frame reached the transport
    NotSent,         // the encryption or the transport failed
    UnknownRequest,  // no request of that type and sub-kind: nothing was built
    UnsafeValue,     // the value of field() holds a separator byte: nothing was built
  };

  constexpr BuildResult(Status status = Status::NotSent, int field = 0) : status_(status), field_(field) {}
  constexpr operator bool() const { return status_ == Status::Sent; }
  constexpr Status status() const { return status_; }
  // The refused field's tag (UnsafeValue only).
  constexpr int field() const { return field_; }

 private:
  Status status_;
  int field_;
};

// Where finished frames go: implemented by the session (`SendMessage:toZMQ:`).
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Hands one frame to the TCP session (toZMQ false) or the ZeroMQ request channel (true).
  // Returns whether the frame reached the transport.
  virtual bool SendMessage(std::string_view frame, bool toZMQ) = 0;
  // Called right after a ping reached the transport; the session stamps its `pingTime`.
  virtual void PingHandedToEnvelope() {}
};

// The tag dictionary: numeric tag to value text. Values live in one buffer, so filling and
// emptying allocate nothing once the buffers have grown to a request's size.
class TagDictionary {
 public:
  void set(int tag, std::string_view value);
  void set(int tag, std::int64_t value);  // written in decimal
  void erase(int tag);
  std::optional<std::string_view> find(int tag) const;
  bool contains(int tag) const { return find(tag).has_value(); }
  bool empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }
  void clear();

 private:
  friend class MessageBase;
  struct Entry {
    int tag;
    std::uint32_t offset;
    std::uint32_t length;
  };
  // Looks from `hint` on and wraps around; requesters store tags roughly in body order, so the
  // builder's lookups mostly hit at once.
  const Entry* findFrom(int tag, std::size_t& hint) const;

  // Tags below kIndexed are marked in `present_`, so storing a new tag needs no scan.
  static constexpr int kIndexed = 2048;
  bool marked(int tag) const {
    return tag >= 0 && tag < kIndexed && (present_[static_cast<unsigned>(tag) / 64] >> (tag % 64) & 1u);
  }
  void mark(int tag, bool on) {
    if (tag < 0 || tag >= kIndexed) return;
    const std::uint64_t bit = std::uint64_t{1} << (tag % 64);
    std::uint64_t& word = present_[static_cast<unsigned>(tag) / 64];
    word = on ? (word | bit) : (word & ~bit);
  }

  std::vector<Entry> entries_;  // erased entries keep their slot with tag -1
  std::string values_;
  std::size_t count_ = 0;
  std::uint64_t present_[kIndexed / 64] = {};
};

class MessageBase {
 public:
  // The pass phrase of the envelope (`logindata` `SecurityKey`), read anew for every envelope.
  using PassPhraseSource = std::function<std::string()>;

  // `cipher` encrypts the envelopes; empty means Envelope::encrypt (AES-256 of Crypto).
  MessageBase(MessageSink& sink, PassPhraseSource passPhrase, Envelope::Cipher cipher = {});
  // The pass phrase is `logindata`'s SecurityKey, which must outlive this object.
  MessageBase(MessageSink& sink, const LoginInputdata& logindata);
  MessageBase(const MessageBase&) = delete;
  MessageBase& operator=(const MessageBase&) = delete;

  // One request in the making. Holds the writer's lock until BuildMessage has run or the Request
  // is destroyed; the dictionary is empty again afterwards in either case.
  class Request {
   public:
    Request(Request&& other) noexcept;
    Request& operator=(Request&&) = delete;
    ~Request();

    Request& set(int tag, std::string_view value);
    Request& set(int tag, std::int64_t value);
    // Stores the value only when there is one; a tag left unstored is written as "(null)".
    Request& setIfPresent(int tag, const std::optional<std::string>& value);

    void setNeworderrequestType(std::int32_t v) { base_->neworderrequestType_ = v; }
    void setEditorderrequestType(std::int32_t v) { base_->editorderrequestType_ = v; }
    void setDsrequestType(std::int32_t v) { base_->dsrequestType_ = v; }

    // Writes and sends the request; true when the frame reached the transport. A second call
    // sends nothing and returns NotSent.
    BuildResult BuildMessage();

   private:
    friend class MessageBase;
    Request(MessageBase& base, std::int32_t messagetype);
    MessageBase* base_;
    std::unique_lock<std::mutex> lock_;
    bool built_ = false;
  };

  // Takes the lock, sets `messagetype` and empties the dictionary. A thread must not hold two.
  Request beginRequest(std::int32_t messagetype);

  // Wraps a plain frame in the envelope (type 76) and hands it to the sink. False, with one log
  // line, when encryption yields nothing: then nothing is sent. Takes the writer's lock, so a
  // thread that holds a Request must not call it.
  bool EncryptMessage(std::string_view frame, bool isInitialRequest, bool toZMQ);

  // Accessors of the request state (read them on the requesting thread).
  std::int32_t messagetype() const { return messagetype_; }
  void setMessagetype(std::int32_t v) { messagetype_ = v; }
  std::int32_t messagetagvalue() const { return messagetagvalue_; }
  void setMessagetagvalue(std::int32_t v) { messagetagvalue_ = v; }
  std::int32_t messagetagkey() const { return messagetagkey_; }
  void setMessagetagkey(std::int32_t v) { messagetagkey_ = v; }
  std::int32_t neworderrequestType() const { return neworderrequestType_; }
  std::int32_t editorderrequestType() const { return editorderrequestType_; }
  std::int32_t dsrequestType() const { return dsrequestType_; }
  const TagDictionary& messageDataDictionary() const { return messageDataDictionary_; }
  // Length of the last body written (the envelope's after an enveloped request), UTF-16 units.
  std::uint64_t messageLength() const { return messageLength_; }

  // Writes the body of `tags` from `dict`: "tag=value" and 0x03 per tag, "(null)" for a tag the
  // dictionary lacks. Appends to `out`.
  static void writeBody(const TagDictionary& dict, const int* tags, std::size_t count, std::string& out);
  // Frames a body: 0x01, the body's length in UTF-16 code units, 0x03, the body, 0x02.
  // Appends to `out` and returns the length written into the frame.
  static std::uint64_t writeFrame(std::string_view body, std::string& out);
  // The number of UTF-16 code units of a UTF-8 text (its length as a text).
  static std::uint64_t utf16Length(std::string_view utf8);

  // The first of `kind`'s fields whose value `dict` holds with a byte that would break the frame
  // (0x01 to 0x07; list fields may hold 0x04 to 0x07), or 0 when every value is safe.
  static int unsafeField(const TagDictionary& dict, const RequestKind& kind);

 private:
  BuildResult buildLocked();
  bool sendEnvelope(std::string_view frame, bool isInitialRequest, bool toZMQ, std::string_view label,
                    bool& encrypted);

  MessageSink& sink_;
  PassPhraseSource passPhrase_;
  Envelope::Cipher cipher_;
  std::mutex mutex_;

  std::int32_t messagetype_ = 0;
  std::int32_t messagetagvalue_ = 0;
  std::int32_t messagetagkey_ = 0;
  std::int32_t neworderrequestType_ = 0;
  std::int32_t editorderrequestType_ = 0;
  std::int32_t dsrequestType_ = 0;
  TagDictionary messageDataDictionary_;
  std::uint64_t messageLength_ = 0;

  // Reused between requests.
  std::string body_;
  std::string frame_;
  std::string envelopeBody_;
  std::string envelopeFrame_;
};

}  // namespace td
