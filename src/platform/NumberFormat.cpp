#include "platform/NumberFormat.h"

#include <unicode/decimfmt.h>
#include <unicode/fmtable.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/parsepos.h>
#include <unicode/rbnf.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <utility>

#include "platform/Log.h"

namespace td {

struct NumberFormat::Impl {
  std::unique_ptr<icu::NumberFormat> format;
  Style style = Style::Plain;
};

NumberFormat::NumberFormat(Style style) : impl_(std::make_unique<Impl>()) {
  impl_->style = style;
  const icu::Locale locale("en_US");
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format;
  if (style == Style::SpellOut) {
    format = std::make_unique<icu::RuleBasedNumberFormat>(icu::URBNF_SPELLOUT, locale, status);
  } else {
    format.reset(icu::NumberFormat::createInstance(locale, UNUM_DECIMAL, status));
  }
  if (U_FAILURE(status) || !format) {
    TD_LOG_WARN(std::string("NumberFormat: no en_US formatter: ") + u_errorName(status));
    return;
  }
  if (style == Style::Plain) {
    format->setGroupingUsed(false);
    format->setMinimumFractionDigits(0);
    format->setMaximumFractionDigits(0);
  }
  impl_->format = std::move(format);
}

NumberFormat::~NumberFormat() = default;
NumberFormat::NumberFormat(NumberFormat&&) noexcept = default;
NumberFormat& NumberFormat::operator=(NumberFormat&&) noexcept = default;

NumberFormat::Style NumberFormat::style() const { return impl_->style; }

void NumberFormat::setMinimumFractionDigits(int digits) {
  if (impl_->format) impl_->format->setMinimumFractionDigits(digits);
}

void NumberFormat::setMaximumFractionDigits(int digits) {
  if (!impl_->format) return;
  impl_->format->setMaximumFractionDigits(std::max(digits, impl_->format->getMinimumFractionDigits()));
}

std::optional<double> NumberFormat::parse(std::string_view text) {
  // No number text comes near this; longer input is refused before ICU (which counts in 32 bits).
  constexpr std::size_t kLongestText = 4096;
  if (!impl_->format || text.size() > kLongestText) return std::nullopt;
  const icu::UnicodeString input =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  icu::Formattable result;
  icu::ParsePosition position(0);
  impl_->format->parse(input, result, position);
  if (position.getErrorIndex() >= 0 || position.getIndex() == 0 || position.getIndex() != input.length()) {
    return std::nullopt;
  }
  UErrorCode status = U_ZERO_ERROR;
  const double value = result.getDouble(status);
  if (U_FAILURE(status)) return std::nullopt;
  return value;
}

namespace {

template <typename Number>
std::string formatWith(const icu::NumberFormat* format, Number value) {
  if (!format) return {};
  icu::UnicodeString output;
  format->format(value, output);
  std::string text;
  output.toUTF8String(text);
  return text;
}

}  // namespace

std::string NumberFormat::format(double value) { return formatWith(impl_->format.get(), value); }

std::string NumberFormat::format(std::int64_t value) {
  return formatWith(impl_->format.get(), static_cast<int64_t>(value));
}

}  // namespace td
