#include "session/ReceivedMessage.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "model/Conversions.h"
#include "platform/Log.h"
#include "wire/Separators.h"

namespace td {
namespace {

std::uint32_t slotOf(int tag, int shift) {
  return (static_cast<std::uint32_t>(tag) * 0x9E3779B1u) >> shift;
}

}  // namespace

ReceivedMessage& ReceivedMessage::operator=(const ReceivedMessage& other) {
  if (this == &other) return *this;
  frame_ = other.frame_;
  type_ = other.type_;
  requestId_ = other.requestId_;
  count_ = other.count_;
  slotCount_ = other.slotCount_;
  slotShift_ = other.slotShift_;
  moreFields_ = other.moreFields_;
  moreSlots_ = other.moreSlots_;
  if (count_ <= kInlineFields) std::copy_n(other.inlineFields_.begin(), count_, inlineFields_.begin());
  if (slotCount_ <= inlineSlots_.size()) std::copy_n(other.inlineSlots_.begin(), slotCount_, inlineSlots_.begin());
  return *this;
}

[[gnu::always_inline]] inline ReceivedMessage::Field& ReceivedMessage::addField() {
  if (count_ < kInlineFields) [[likely]] return inlineFields_[count_++];
  if (count_ == kInlineFields) moreFields_.assign(inlineFields_.begin(), inlineFields_.end());
  ++count_;
  return moreFields_.emplace_back();
}

bool ReceivedMessage::parse(std::string_view frame) {
  frame_ = frame;
  count_ = 0;
  moreFields_.clear();
  moreSlots_.clear();
  slotCount_ = 0;
  requestId_.reset();
  type_ = 0;
  if (frame.empty()) return false;
  const char* const end = frame.data() + frame.size();
  const auto* lengthEnd = static_cast<const char*>(std::memchr(frame.data(), MessageTagSeperator, frame.size()));
  if (lengthEnd == nullptr) return false;
  slotCount_ = inlineSlots_.size();
  slotShift_ = 32 - std::countr_zero(slotCount_);
  inlineSlots_.fill(0);
  for (const char* start = lengthEnd + 1;;) {
    Field& field = addField();
    const char* stop = Field::readAt(start, end, field);
    if (field.hasValue()) {
      if (field.tag() == 20 || field.tag() == 33) requestId_ = conv::toInt(*field.value());
      // A message of the usual size is indexed as it is cut; a longer one once it is cut.
      if (count_ <= kInlineFields) index(count_ - 1);
    }
    if (stop == end) break;
    start = stop + 1;
  }
  const std::string_view first = fieldData()[0].text();
  const std::size_t eq = first.find('=');
  type_ = eq == std::string_view::npos ? 0 : conv::toInt(first.substr(eq + 1));
  if (count_ > kInlineFields) buildIndex();
  return true;
}

[[gnu::always_inline]] inline void ReceivedMessage::index(std::size_t i) {
  std::uint32_t* slots = slotData();
  const Field* fields = fieldData();
  const int tag = fields[i].tag();
  const std::size_t mask = slotCount_ - 1;
  for (std::size_t s = slotOf(tag, slotShift_);; s = (s + 1) & mask) {
    if (slots[s] == 0 || fields[slots[s] - 1].tag() == tag) {
      slots[s] = static_cast<std::uint32_t>(i + 1);
      return;
    }
  }
}

void ReceivedMessage::buildIndex() {
  slotCount_ = std::bit_ceil(2 * count_);
  slotShift_ = 32 - std::countr_zero(slotCount_);
  moreSlots_.assign(slotCount_, 0);
  for (std::size_t i = 0; i < count_; ++i) {
    if (fieldData()[i].hasValue()) index(i);
  }
}

std::optional<std::string_view> ReceivedMessage::value(int tag) const {
  if (slotCount_ == 0) return std::nullopt;
  const std::uint32_t* slots = slotData();
  const Field* fields = fieldData();
  const std::size_t mask = slotCount_ - 1;
  for (std::size_t s = slotOf(tag, slotShift_);; s = (s + 1) & mask) {
    if (slots[s] == 0) return std::nullopt;
    const Field& f = fields[slots[s] - 1];
    if (f.tag() == tag) return f.value();
  }
}

std::optional<std::int32_t> ReceivedMessage::intValue(int tag) const {
  const auto text = value(tag);
  if (!text) return std::nullopt;
  return conv::toInt(*text);
}

std::string ReceivedMessage::describe() const {
  std::string body;
  for (std::size_t i = 0; i < count_; ++i) {
    if (i) body += MessageTagSeperator;
    body.append(fieldData()[i].text());
  }
  std::string masked = log::maskSecrets(body);
  std::string out;
  out.reserve(masked.size() + count_ * 2 + 2);
  out += '(';
  for (const char c : masked) {
    if (c == MessageTagSeperator) {
      out += ", ";
    } else {
      out += c;
    }
  }
  out += ')';
  return out;
}

}  // namespace td
