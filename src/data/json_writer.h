// Compact JSON writer, the string-or-text form and the member-name list.
#pragma once

#include <cstdint>
#include <string>

#include "data/json_table.h"
#include "data/json_value.h"

namespace lf {

// Compact text of a value, without any whitespace: null (also for nothing),
// true/false, integers in decimal, currencies by CurrencyText, doubles by
// GcvtText, strings quoted with U+0000, '"', '/' and '\' escaped, arrays
// and objects with their members in enumeration order. A member or element
// whose value is being written already (a value holding itself) is left out
// with its separator.
std::u16string WriteText(const IJsonValue& value);
// Appends the compact text of value to out.
void AppendJsonText(std::u16string& out, const IJsonValue& value);

// The text of a string value unchanged, WriteText of anything else.
std::u16string StringOrText(const IJsonValue& value);

// A new array of string values, one per member name in enumeration order.
IJsonValue NameList(const TJsonTable& table);

// Decimal digits, "-" in front when negative.
std::string IntegerText(int64_t v);
// Text of a currency stored as the number times 10000: the decimals without
// trailing zeros, the point kept ("12.", "12.5", "0.0001", "-3.25"; 0 is "0").
std::string CurrencyText(int64_t scaled);
// The writer's text of a number or literal value as bytes (ASCII): integer,
// currency, double, true/false, null. Empty for strings and containers.
std::string ScalarText(const TJsonValue& value);

}  // namespace lf
