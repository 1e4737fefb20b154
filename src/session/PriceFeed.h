#pragma once
// The lines of the subscription feed: price ticks, market depth and instrument-status frames.
//
// Pure decoding, no session state, so the decoders serve the session, the benchmarks and the fuzz
// targets alike. The session applies the results (BusinessBase::UpdateItemCollection and friends).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/PriceUpdate.h"

namespace td {

enum class FeedLineKind {
  MarketDepth,       // "MD_" + code ";" buy levels ";" sell levels
  InstrumentStatus,  // "IS;" + framed messages
  Ignored,           // "*#bm#*:" + anything
  Price,             // everything else
};

FeedLineKind classifyFeedLine(std::string_view line);

// The frames carried by an "IS;" line: the text between the first and the second ";" (or the end).
std::string_view instrumentStatusPayload(std::string_view line);

// The leading decimal floating-point number of a text (white space before it skipped), or nothing
// when the text does not begin with one. "nan" and "inf" are not numbers here.
std::optional<double> leadingDouble(std::string_view text);

// Why a price line was not taken.
enum class PriceLineError { None, TooFewFields, BaseNotNumeric, NotFinite };

// Decodes a price line: fields cut at 0x04; 0 the item code (kept as received), 1 the time
// "yyyyMMddHHmmss" (re-written "MM/dd/yyyy HH:mm:ss"; "" when it does not parse), 2 the base price,
// 3 to 9 the offsets of Last, Bid, Ask, High, Low, Open and PreviousClose, the last field the number
// of decimals d of the offsets. Each price is base + offset / 10^d, rounded to six decimals after the
// division and again after the addition. An offset that is missing or not a number gives 0 (the item
// keeps its stored price); the last field is never read as an offset.
// A line of fewer than 4 fields, or whose base price is not a number, is refused, and so is a line
// whose base or any price comes out infinite or not a number (a huge base or offset, a number of
// decimals far beyond any instrument's).
PriceLineError decodePriceLine(std::string_view line, PriceUpdate& out);

struct MarketDepth {
  std::string code;
  std::vector<std::string> buy;   // levels as received, empty entries left out
  std::vector<std::string> sell;
};

// Decodes a depth line given without its "MD_" prefix: code ";" buy levels ";" sell levels, levels
// cut at "|". Nothing when the line has fewer than three ";" parts.
std::optional<MarketDepth> decodeMarketDepth(std::string_view text);

}  // namespace td
