#include "data/variant.h"

#include <cmath>

#include "base/convert.h"
#include "base/exception.h"

namespace {
[[noreturn]] void CannotConvert(const char *to) {
  throw EConvertError(std::string("Could not convert variant to type ") + to);
}
} // namespace

bool TVariant::AsBoolean() const {
  switch (kind_) {
  case vkBoolean:
  case vkInteger:
    return i_ != 0;
  case vkFloat:
  case vkDateTime:
    return d_ != 0;
  case vkString:
    if (s_ == "True" || s_ == "true" || s_ == "TRUE") return true;
    if (s_ == "False" || s_ == "false" || s_ == "FALSE") return false;
    {
      double v;
      if (TryStrToFloat(s_, v)) return v != 0;
    }
    CannotConvert("Boolean");
  default:
    CannotConvert("Boolean");
  }
}

int64_t TVariant::AsInteger() const {
  switch (kind_) {
  case vkBoolean:
  case vkInteger:
    return i_;
  case vkFloat:
  case vkDateTime:
    if (!std::isfinite(d_) || std::fabs(d_) > 9.2e18) CannotConvert("Integer");
    return std::llround(d_);
  case vkString: {
    int64_t v;
    if (TryStrToInt(s_, v)) return v;
    double d;
    if (TryStrToFloat(s_, d) && std::fabs(d) < 9.2e18) return std::llround(d);
    CannotConvert("Integer");
  }
  default:
    CannotConvert("Integer");
  }
}

double TVariant::AsFloat() const {
  switch (kind_) {
  case vkBoolean:
  case vkInteger:
    return static_cast<double>(i_);
  case vkFloat:
  case vkDateTime:
    return d_;
  case vkString: {
    double d;
    if (TryStrToFloat(s_, d)) return d;
    CannotConvert("Double");
  }
  default:
    CannotConvert("Double");
  }
}

TDateTime TVariant::AsDateTime() const {
  if (kind_ == vkString) {
    TDateTimeValue v;
    if (TryStrToDateTime(s_, v)) return v;
    CannotConvert("Date");
  }
  return AsFloat();
}

std::string TVariant::AsString() const {
  switch (kind_) {
  case vkEmpty:
  case vkNull:
    return "";
  case vkBoolean:
    return i_ ? "True" : "False";
  case vkInteger:
    return std::to_string(i_);
  case vkFloat:
    return FloatToStr(d_);
  case vkDateTime:
    return DateTimeToStr(d_);
  case vkString:
    return s_;
  case vkArray:
    CannotConvert("String");
  }
  return "";
}

bool TVariant::operator==(const TVariant &o) const {
  if (IsNull() || o.IsNull()) return IsNull() && o.IsNull();
  if (kind_ == vkArray || o.kind_ == vkArray) return kind_ == o.kind_ && a_ == o.a_;
  if (kind_ == vkString && o.kind_ == vkString) return s_ == o.s_;
  if ((kind_ == vkInteger || kind_ == vkBoolean) && (o.kind_ == vkInteger || o.kind_ == vkBoolean))
    return i_ == o.i_;
  try {
    return AsFloat() == o.AsFloat();
  } catch (const EConvertError &) {
    return AsString() == o.AsString();
  }
}
