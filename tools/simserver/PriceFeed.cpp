#include "PriceFeed.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ServerMessage.h"
#include "model/ItemDetails.h"
#include "wire/Separators.h"

namespace td::sim {

std::uint64_t SeededRandom::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double SeededRandom::uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

int SeededRandom::between(int low, int high) {
  if (high <= low) return low;
  return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
}

double roundTo(double value, int decimals) {
  double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

double onTickGrid(const InstrumentSpec& i, double price) {
  if (!(i.tickSize > 0)) return roundTo(price, i.decimals);
  return roundTo(std::round(price / i.tickSize) * i.tickSize, i.decimals);
}

bool isOnTickGrid(const InstrumentSpec& i, double price) {
  if (!(i.tickSize > 0)) return true;
  const double steps = price / i.tickSize;
  return std::fabs(steps - std::round(steps)) < 1e-6;
}

Quote withSpread(const InstrumentSpec& i, const TermSpec* terms, Quote q) {
  if (!terms) return q;
  ItemDetails item;
  item.Code = i.code;
  item.TickSize = i.tickSize;
  item.DecimalPlaces = i.decimals;
  item.BidSpread = terms->spreadBid;
  item.AskSpread = terms->spreadAsk;
  item.Spreadtype = terms->spreadType;
  PriceUpdate tick;
  tick.ItemCode = i.code;
  tick.Bid = q.bid;
  tick.Ask = q.ask;
  item.ApplySpread(tick);
  q.bid = onTickGrid(i, tick.Bid);
  q.ask = onTickGrid(i, tick.Ask);
  return q;
}

namespace {

Quote quoteAround(const InstrumentSpec& i, double mid) {
  // Bid, ask and last each on the grid; the spread a whole number of ticks, at least one.
  const double tick = i.tickSize > 0 ? i.tickSize : std::pow(10.0, -i.decimals);
  const double spread = std::max(std::round(i.spreadTicks), 1.0) * tick;
  Quote q;
  q.bid = onTickGrid(i, mid - spread / 2);
  q.ask = onTickGrid(i, q.bid + spread);
  q.last = onTickGrid(i, mid);
  return q;
}

}  // namespace

Quote openingQuote(const InstrumentSpec& i) {
  Quote q = quoteAround(i, i.price);
  q.open = q.prevClose = q.high = q.low = q.last;
  return q;
}

PriceFeed::PriceFeed(const Scenario& scenario, std::uint64_t seed, std::int64_t start, double stepsPerSecond)
    : scenario_(scenario),
      random_(seed),
      depthRandom_(seed ^ 0x5DEECE66Dull),
      record_(scenario, seed, start, stepsPerSecond) {
  for (std::size_t n = 0; n < scenario_.instruments.size(); ++n) {
    const InstrumentSpec& i = scenario_.instruments[n];
    Quote& q = quotes_[i.id] = openingQuote(i);
    takeDay(n, q);
    mids_[i.id] = i.price;
  }
}

void PriceFeed::takeDay(std::size_t index, Quote& q) const {
  if (const ChartBar* day = record_.newest(index, ChartRecord::kDay)) {
    q.open = day->open;
    q.high = day->high;
    q.low = day->low;
  }
  if (const ChartBar* before = record_.newest(index, ChartRecord::kDay, 1)) q.prevClose = before->close;
}

void PriceFeed::step(std::int64_t now) {
  ++ticks_;
  const ChartRecord::Moment at = ChartRecord::momentAt(localWallClock(now));
  for (std::size_t n = 0; n < scenario_.instruments.size(); ++n) {
    const InstrumentSpec& i = scenario_.instruments[n];
    double& mid = mids_[i.id];
    const double move = (random_.uniform() * 2 - 1) * i.volatility;
    mid = std::max(mid * (1 + move), i.tickSize * 10);
    Quote& q = quotes_[i.id];
    Quote moved = quoteAround(i, mid);
    q.bid = moved.bid;
    q.ask = moved.ask;
    q.last = moved.last;
    record_.record(n, at, q.last);
    takeDay(n, q);
  }
}

std::vector<std::string> PriceFeed::tick(std::int64_t now) {
  step(now);
  std::string time = ampTime(now);
  std::vector<std::string> lines;
  for (const auto& i : scenario_.instruments) lines.push_back(priceLine(i, quotes_[i.id], time));
  for (const auto& i : scenario_.instruments) lines.push_back(depthLine(i, quotes_[i.id], depthRandom_));
  if (ticks_ % statusEvery == 0 && !scenario_.instruments.empty()) {
    const auto& i = scenario_.instruments[nextStatus_++ % scenario_.instruments.size()];
    lines.push_back(statusLine(i.code, i.session));
  }
  return lines;
}

const Quote& PriceFeed::quote(int instrumentId) const {
  static const Quote none;
  auto it = quotes_.find(instrumentId);
  return it == quotes_.end() ? none : it->second;
}

Quote PriceFeed::quoteFor(int account, int instrumentId) const {
  const Quote& raw = quote(instrumentId);
  const InstrumentSpec* i = scenario_.instrument(instrumentId);
  return i ? withSpread(*i, scenario_.term(account, instrumentId), raw) : raw;
}

std::string PriceFeed::priceLine(const InstrumentSpec& i, const Quote& q, const std::string& time) {
  const double prices[7] = {q.last, q.bid, q.ask, q.high, q.low, q.open, q.prevClose};
  double base = std::floor(*std::min_element(std::begin(prices), std::end(prices)));
  double scale = std::pow(10.0, i.decimals);
  std::string line = i.code;
  line += MessageInnerTagSeperator;
  line += time;
  line += MessageInnerTagSeperator;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.0f", base);
  line += buf;
  for (double p : prices) {
    line += MessageInnerTagSeperator;
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(std::llround((p - base) * scale)));
    line += buf;
  }
  line += MessageInnerTagSeperator;
  line += std::to_string(i.decimals);
  return line;
}

std::string PriceFeed::depthLine(const InstrumentSpec& i, const Quote& q, SeededRandom& random) {
  const double step = i.tickSize > 0 ? i.tickSize : std::pow(10.0, -i.decimals);
  char buf[64];
  auto side = [&](double from, double direction) {
    std::string out;
    for (int level = 0; level < depthLevels; ++level) {
      if (level) out += '|';
      std::snprintf(buf, sizeof buf, "%.*f,%d", i.decimals, onTickGrid(i, from + direction * level * step),
                    random.between(1, 100));
      out += buf;
    }
    return out;
  };
  return "MD_" + i.code + ";" + side(q.bid, -1) + ";" + side(q.ask, 1);
}

std::string PriceFeed::statusLine(const std::string& code, int settingId) {
  ServerMessage m(1049);
  m.add(12, code).add(574, std::int64_t{settingId});
  return "IS;" + m.frame();
}

}  // namespace td::sim
