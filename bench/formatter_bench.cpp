// Formatter and Decimal costs per call: the wire-to-display date conversion of every table cell,
// price texts, and decimal arithmetic.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/Decimal.h"
#include "wire/DecimalNumberExtension.h"
#include "wire/Formatter.h"

namespace {

void useNewYork() {
  static const bool once = [] {
    setenv("TZ", "America/New_York", 1);
    td::DateFormat::useHostTimeZone();
    return true;
  }();
  (void)once;
}

void BM_formatDateandTimeFromString(benchmark::State& state) {
  useNewYork();
  const char* stamps[] = {"20150304050607", "20240229235959", "20151101013000", "19991231120000"};
  std::size_t i = 0;
  for (auto _ : state) {
    auto text = td::Formatter::formatDateandTimeFromString(stamps[i++ & 3], td::AMP_DATE_FORMAT,
                                                           td::DISPLAY_DATE_TIME_FORMAT);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_formatDateandTimeFromString);

// Patterns outside the native path go through ICU.
void BM_dateStringFromString(benchmark::State& state) {
  useNewYork();
  for (auto _ : state) {
    auto text = td::Formatter::dateStringFromString("2015-03-04T05:06:07+05:30", "yyyy-MM-dd'T'HH:mm:ssZZZ",
                                                    td::DISPLAY_DATE_TIME_FORMAT);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_dateStringFromString);

void BM_formatDateandTimeFromStringTo12Hour(benchmark::State& state) {
  useNewYork();
  for (auto _ : state) {
    auto text = td::Formatter::formatDateandTimeFromString("20150304170607", td::AMP_DATE_FORMAT,
                                                           "dd/MM/yyyy hh:mm:ss a");
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_formatDateandTimeFromStringTo12Hour);

void BM_setAmpFormat(benchmark::State& state) {
  useNewYork();
  const auto now = std::chrono::system_clock::now();
  for (auto _ : state) {
    auto text = td::Formatter::setAmpFormat(now);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_setAmpFormat);

void BM_formatDecimal(benchmark::State& state) {
  double value = 1.23456789;
  for (auto _ : state) {
    auto text = td::Formatter::formatDecimal(value, 5);
    benchmark::DoNotOptimize(text);
    value += 0.00001;
  }
}
BENCHMARK(BM_formatDecimal);

void BM_formatDecimalWithString(benchmark::State& state) {
  for (auto _ : state) {
    auto text = td::Formatter::formatDecimalWithString("1234567.89");
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_formatDecimalWithString);

const td::Decimal kPrice = td::Decimal::parse("1.23456");
const td::Decimal kTick = td::Decimal::parse("0.00005");
const td::Decimal kWideA = td::Decimal::parse("12345678901234567890.123456789012345678");
const td::Decimal kWideB = td::Decimal::parse("98765432109876543210.98765432109876543");

void BM_DecimalAdd(benchmark::State& state) {
  td::Decimal a = kPrice;
  for (auto _ : state) {
    a = td::Decimal::add(a, kTick).value;
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_DecimalAdd);

void BM_DecimalAddWide(benchmark::State& state) {
  for (auto _ : state) {
    auto r = td::Decimal::add(kWideA, kWideB);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_DecimalAddWide);

void BM_DecimalMultiply(benchmark::State& state) {
  for (auto _ : state) {
    auto r = td::Decimal::multiply(kPrice, kTick);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_DecimalMultiply);

void BM_DecimalMultiplyWide(benchmark::State& state) {
  for (auto _ : state) {
    auto r = td::Decimal::multiply(kWideA, kWideB);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_DecimalMultiplyWide);

void BM_DecimalDivide(benchmark::State& state) {
  for (auto _ : state) {
    auto r = td::Decimal::divide(kPrice, kTick, 0, td::RoundingMode::Down);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_DecimalDivide);

void BM_DecimalDivideTo38Digits(benchmark::State& state) {
  for (auto _ : state) {
    auto r = td::Decimal::divide(kWideA, kWideB);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_DecimalDivideTo38Digits);

void BM_moduloForTick(benchmark::State& state) {
  const td::Decimal price = td::Decimal::parse("123456.000000");
  const td::Decimal tick = td::Decimal::parse("5.000000");
  for (auto _ : state) {
    auto r = td::DecimalNumberExtension::moduloFor(price, tick);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_moduloForTick);

void BM_DecimalParsePrint(benchmark::State& state) {
  for (auto _ : state) {
    auto text = td::Decimal::parse("-1234.567890").toString();
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_DecimalParsePrint);

}  // namespace
