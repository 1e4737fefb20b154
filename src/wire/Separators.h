#pragma once
// Separator bytes of the wire protocol and of the delimited data sets.
//
// Frame:      MessageStart, body length, MessageTagSeperator, body, MessageEnd.
// Body:       tag=value fields, each ended by MessageTagSeperator.
// Data sets:  columns by MessageInnerTagSeperatortw, rows by MessageInnerTagSeperatorthr, login-data
//             sections by MessageInnerTagSeperatorfou; price-feed fields by MessageInnerTagSeperator.

#include <string_view>

namespace td {

inline constexpr char MessageStart = '\x01';
inline constexpr char MessageEnd = '\x02';
inline constexpr char MessageTagSeperator = '\x03';
inline constexpr char MessageInnerTagSeperator = '\x04';
inline constexpr char MessageInnerTagSeperatortw = '\x05';
inline constexpr char MessageInnerTagSeperatorthr = '\x06';
inline constexpr char MessageInnerTagSeperatorfou = '\x07';

// Whether a text holds one of the separator bytes 0x01 to 0x07: such a text cannot travel as a value
// of a field (it would end or split the field, the frame or a record), so user text holding one is
// refused before it reaches a request.
inline bool containsSeparatorByte(std::string_view text) {
  for (const char c : text) {
    if (c >= MessageStart && c <= MessageInnerTagSeperatorfou) return true;
  }
  return false;
}

}  // namespace td
