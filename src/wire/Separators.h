#pragma once
// Separator bytes of the wire protocol and of the delimited data sets.
//
// Frame:      MessageStart, body length, MessageTagSeperator, body, MessageEnd.
// Body:       tag=value fields, each ended by MessageTagSeperator.
// Data sets:  columns by MessageInnerTagSeperatortw, rows by MessageInnerTagSeperatorthr, login-data
//             sections by MessageInnerTagSeperatorfou; price-feed fields by MessageInnerTagSeperator.

namespace td {

inline constexpr char MessageStart = '\x01';
inline constexpr char MessageEnd = '\x02';
inline constexpr char MessageTagSeperator = '\x03';
inline constexpr char MessageInnerTagSeperator = '\x04';
inline constexpr char MessageInnerTagSeperatortw = '\x05';
inline constexpr char MessageInnerTagSeperatorthr = '\x06';
inline constexpr char MessageInnerTagSeperatorfou = '\x07';

}  // namespace td
