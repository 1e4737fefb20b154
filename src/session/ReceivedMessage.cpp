#include "session/ReceivedMessage.h"

#include <string>

#include "model/Conversions.h"
#include "platform/Log.h"
#include "wire/MessageCracker.h"
#include "wire/Separators.h"

namespace td {

int ReceivedMessage::slot(int tag) {
  switch (tag) {
    case 17: return 0;
    case 19: return 1;
    case 20: return 2;
    case 21: return 3;
    case 23: return 4;
    case 27: return 5;
    case 33: return 6;
    case 34: return 7;
    case 73: return 8;
    case 74: return 9;
    case 76: return 10;
    case 79: return 11;
    case 80: return 12;
    case 105: return 13;
    case 151: return 14;
    case 159: return 15;
    case 160: return 16;
    case 502: return 17;
    case 503: return 18;
    case 573: return 19;
    case 1026: return 20;
    case 1050: return 21;
    default: return -1;
  }
}

bool ReceivedMessage::parse(std::string_view frame) {
  frame_ = frame;
  fields_.clear();
  values_.fill(std::nullopt);
  requestId_.reset();
  type_ = 0;
  std::size_t start = frame.find(MessageTagSeperator);
  if (start == std::string_view::npos) return false;
  ++start;
  for (;;) {
    const std::size_t end = frame.find(MessageTagSeperator, start);
    if (end == std::string_view::npos) {
      fields_.push_back(frame.substr(start));
      break;
    }
    fields_.push_back(frame.substr(start, end - start));
    start = end + 1;
  }
  const std::string_view first = fields_.front();
  const std::size_t eq = first.find('=');
  type_ = eq == std::string_view::npos ? 0 : conv::toInt(first.substr(eq + 1));
  return true;
}

int ReceivedMessage::fieldTag(std::string_view field) {
  const std::size_t eq = field.find('=');
  if (eq == std::string_view::npos) return 0;
  return conv::toInt(field.substr(0, eq));
}

void ReceivedMessage::collectTags() {
  for (const std::string_view field : fields_) {
    const std::size_t eq = field.find('=');
    if (eq == std::string_view::npos) continue;  // tag 0
    const std::string_view prefix = field.substr(0, eq);
    const int tag = conv::toInt(prefix);
    const int index = slot(tag);
    if (index < 0) continue;
    std::optional<std::string_view> value;
    // The common case: the prefix is the tag written plainly, so the key starts the field.
    bool plain = !prefix.empty() && prefix[0] != '0' && prefix.size() < 8;
    for (const char c : prefix) plain = plain && c >= '0' && c <= '9';
    if (plain) {
      value = field.substr(eq + 1);
    } else {
      const std::string k = std::to_string(tag) + "=";
      value = MessageCracker::GetMessageValue(field, k);
      if (!value) continue;
    }
    values_[static_cast<std::size_t>(index)] = value;
    if (tag == 20 || tag == 33) requestId_ = conv::toInt(*value);
  }
}

std::optional<std::string_view> ReceivedMessage::value(int tag) const {
  const int index = slot(tag);
  if (index < 0) return std::nullopt;
  return values_[static_cast<std::size_t>(index)];
}

std::optional<std::int32_t> ReceivedMessage::intValue(int tag) const {
  const auto text = value(tag);
  if (!text) return std::nullopt;
  return conv::toInt(*text);
}

std::string ReceivedMessage::describe() const {
  std::string body;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (i) body += MessageTagSeperator;
    body.append(fields_[i]);
  }
  std::string masked = log::maskSecrets(body);
  std::string out;
  out.reserve(masked.size() + fields_.size() * 2 + 2);
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
