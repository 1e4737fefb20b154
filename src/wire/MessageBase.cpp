#include "wire/MessageBase.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <exception>
#include <utility>

#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "wire/RequestCatalogue.h"
#include "wire/Separators.h"

namespace td {
namespace {

// The text of a value the dictionary does not hold.
constexpr std::string_view kMissingValue = "(null)";

void appendDecimal(std::string& out, std::uint64_t value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr);
}

// Whether any byte of the text is below 0x08 (a separator byte, or NUL).
bool hasByteBelow8(std::string_view text) {
  constexpr std::uint64_t kLow = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    const std::uint64_t top = word & 0xF8F8F8F8F8F8F8F8ull;  // zero exactly where a byte is below 8
    if ((top - kLow) & ~top & kHigh) return true;
  }
  for (; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) < 8) return true;
  }
  return false;
}

// Empties the dictionary when a build ends, however it ends.
struct ClearOnExit {
  TagDictionary& dict;
  ~ClearOnExit() { dict.clear(); }
};

}  // namespace

// ---- TagDictionary ----

void TagDictionary::set(int tag, std::string_view value) {
  if (tag < 0) return;  // -1 marks an erased slot; no request has a negative tag
  const auto offset = static_cast<std::uint32_t>(values_.size());
  values_.append(value);
  const Entry fresh{tag, offset, static_cast<std::uint32_t>(value.size())};
  if (tag >= kIndexed || marked(tag)) {
    for (Entry& e : entries_) {
      if (e.tag == tag) {
        e = fresh;  // the old value's bytes stay unused until the next clear
        return;
      }
    }
  }
  entries_.push_back(fresh);
  mark(tag, true);
  ++count_;
}

void TagDictionary::set(int tag, std::int64_t value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  set(tag, std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

void TagDictionary::erase(int tag) {
  if (tag < 0 || (tag < kIndexed && !marked(tag))) return;
  for (Entry& e : entries_) {
    if (e.tag == tag) {
      mark(tag, false);
      e.tag = -1;
      --count_;
      return;
    }
  }
}

std::optional<std::string_view> TagDictionary::find(int tag) const {
  std::size_t hint = 0;
  const Entry* e = findFrom(tag, hint);
  if (!e) return std::nullopt;
  return std::string_view(values_).substr(e->offset, e->length);
}

const TagDictionary::Entry* TagDictionary::findFrom(int tag, std::size_t& hint) const {
  const std::size_t n = entries_.size();
  if (tag < 0 || n == 0) return nullptr;
  if (hint >= n) hint = 0;
  for (std::size_t i = hint; i < n; ++i) {
    if (entries_[i].tag == tag) {
      hint = i + 1;
      return &entries_[i];
    }
  }
  for (std::size_t i = 0; i < hint; ++i) {
    if (entries_[i].tag == tag) {
      hint = i + 1;
      return &entries_[i];
    }
  }
  return nullptr;
}

void TagDictionary::clear() {
  for (const Entry& e : entries_) mark(e.tag, false);
  entries_.clear();
  values_.clear();
  count_ = 0;
}

// ---- MessageBase::Request ----

MessageBase::Request::Request(MessageBase& base, std::int32_t messagetype)
    : base_(&base), lock_(base.mutex_) {
  base_->messagetype_ = messagetype;
  base_->messageDataDictionary_.clear();
}

MessageBase::Request::Request(Request&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)), lock_(std::move(other.lock_)), built_(other.built_) {}

MessageBase::Request::~Request() {
  if (base_ && lock_.owns_lock() && !built_) base_->messageDataDictionary_.clear();
}

MessageBase::Request& MessageBase::Request::set(int tag, std::string_view value) {
  base_->messageDataDictionary_.set(tag, value);
  return *this;
}

MessageBase::Request& MessageBase::Request::set(int tag, std::int64_t value) {
  base_->messageDataDictionary_.set(tag, value);
  return *this;
}

MessageBase::Request& MessageBase::Request::setIfPresent(int tag, const std::optional<std::string>& value) {
  if (value) {
    base_->messageDataDictionary_.set(tag, std::string_view(*value));
  } else {
    base_->messageDataDictionary_.erase(tag);
  }
  return *this;
}

BuildResult MessageBase::Request::BuildMessage() {
  if (!base_ || built_) return BuildResult::Status::NotSent;
  built_ = true;
  const BuildResult result = base_->buildLocked();
  lock_.unlock();
  return result;
}

// ---- MessageBase ----

MessageBase::MessageBase(MessageSink& sink, PassPhraseSource passPhrase, Envelope::Cipher cipher)
    : sink_(sink), passPhrase_(std::move(passPhrase)), cipher_(std::move(cipher)) {}

MessageBase::MessageBase(MessageSink& sink, const LoginInputdata& logindata)
    : MessageBase(sink, [&logindata] { return logindata.SecurityKey(); }) {}

MessageBase::Request MessageBase::beginRequest(std::int32_t messagetype) { return Request(*this, messagetype); }

std::uint64_t MessageBase::utf16Length(std::string_view utf8) {
  std::uint64_t units = 0;
  std::size_t i = 0;
  // Eight ASCII bytes at a time: each is one unit.
  for (; i + 8 <= utf8.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, utf8.data() + i, 8);
    if (word & 0x8080808080808080ull) break;
    units += 8;
  }
  for (; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if ((b & 0xC0) != 0x80) ++units;  // every byte that starts a character
    if (b >= 0xF0) ++units;           // characters beyond the BMP take a surrogate pair
  }
  return units;
}

void MessageBase::writeBody(const TagDictionary& dict, const int* tags, std::size_t count, std::string& out) {
  std::size_t hint = 0;
  for (std::size_t i = 0; i < count; ++i) {
    char prefix[16];
    char* end = std::to_chars(prefix, prefix + sizeof prefix - 1, tags[i]).ptr;
    *end++ = '=';
    out.append(prefix, end);
    if (const TagDictionary::Entry* e = dict.findFrom(tags[i], hint)) {
      out.append(dict.values_, e->offset, e->length);
    } else {
      out.append(kMissingValue);
    }
    out.push_back(MessageTagSeperator);
  }
}

std::uint64_t MessageBase::writeFrame(std::string_view body, std::string& out) {
  const std::uint64_t length = utf16Length(body);
  out.reserve(out.size() + body.size() + 24);
  out.push_back(MessageStart);
  appendDecimal(out, length);
  out.push_back(MessageTagSeperator);
  out.append(body);
  out.push_back(MessageEnd);
  return length;
}

bool MessageBase::EncryptMessage(std::string_view frame, bool isInitialRequest, bool toZMQ) {
  // The envelope's buffers are the build path's: both write them under the writer's lock.
  const std::scoped_lock lock(mutex_);
  bool encrypted = false;
  return sendEnvelope(frame, isInitialRequest, toZMQ, "EncryptMessage", encrypted);
}

bool MessageBase::sendEnvelope(std::string_view frame, bool isInitialRequest, bool toZMQ, std::string_view label,
                               bool& encrypted) {
  encrypted = false;
  envelopeBody_.clear();
  const std::string passPhrase = passPhrase_ ? passPhrase_() : std::string();
  if (!Envelope::writeBody(frame, passPhrase, isInitialRequest, envelopeBody_, cipher_)) {
    TD_LOG_ERROR(std::string(label) + " : not sent, the encryption of the request yielded nothing");
    return false;
  }
  encrypted = true;
  envelopeFrame_.clear();
  messageLength_ = writeFrame(envelopeBody_, envelopeFrame_);
  return sink_.SendMessage(envelopeFrame_, toZMQ);
}

int MessageBase::unsafeField(const TagDictionary& dict, const RequestKind& kind) {
  // Most requests hold no byte below 0x08 at all: one pass over every value, eight bytes at a time,
  // tells.
  if (!hasByteBelow8(dict.values_)) return 0;
  std::size_t hint = 0;
  for (const int tag : kind.tags) {
    const TagDictionary::Entry* e = dict.findFrom(tag, hint);
    if (!e) continue;
    const bool list = std::find(kind.listTags.begin(), kind.listTags.end(), tag) != kind.listTags.end();
    const unsigned char highest = list ? MessageTagSeperator : MessageInnerTagSeperatorfou;
    const auto* p = reinterpret_cast<const unsigned char*>(dict.values_.data()) + e->offset;
    for (const unsigned char* end = p + e->length; p != end; ++p) {
      if (*p != 0 && *p <= highest) return tag;
    }
  }
  return 0;
}

BuildResult MessageBase::buildLocked() {
  using Status = BuildResult::Status;
  ClearOnExit clear{messageDataDictionary_};
  try {
    const RequestKind* kind =
        RequestCatalogue::find(messagetype_, neworderrequestType_, editorderrequestType_, dsrequestType_);
    if (!kind) {
      TD_LOG_DEBUG("BuildMessage : no request of type " + std::to_string(messagetype_) + " and its sub-kind");
      return Status::UnknownRequest;
    }
    if (const int tag = unsafeField(messageDataDictionary_, *kind)) {
      // The value itself stays out of the log: it may be a password.
      TD_LOG_WARN(std::string(kind->builder) + " : not sent, the value of tag " + std::to_string(tag) +
                  " holds a separator byte");
      return {Status::UnsafeValue, tag};
    }
    body_.clear();
    writeBody(messageDataDictionary_, kind->tags.data(), kind->tags.size(), body_);
    frame_.clear();
    messageLength_ = writeFrame(body_, frame_);

    const auto logLine = [&] {
      if (!kind->label.empty()) TD_LOG_INFO(std::string(kind->label) + " : " + log::maskSecrets(frame_));
    };
    if (kind->transport == RequestTransport::ZeroMq) {
      logLine();
      return sink_.SendMessage(frame_, true) ? Status::Sent : Status::NotSent;
    }
    // The request's line follows the envelope; a request that was not encrypted has its own line.
    bool encrypted = false;
    const bool sent =
        sendEnvelope(frame_, kind->initial, false, kind->label.empty() ? kind->builder : kind->label, encrypted);
    // Only a ping that went out is timed: its reply is measured from this stamp.
    if (kind->notesPingTime && sent) sink_.PingHandedToEnvelope();
    if (encrypted) logLine();
    return sent ? Status::Sent : Status::NotSent;
  } catch (const std::exception& e) {
    TD_LOG_ERROR(std::string("BuildMessage : request of type ") + std::to_string(messagetype_) +
                 " dropped: " + e.what());
    return Status::NotSent;
  }
}

}  // namespace td
