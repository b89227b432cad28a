// A value of any of the kinds a field can hold, null, or an array of such
// values (for key lists in Locate and Lookup, and multi-field results).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/db_types.h"

class TVariant {
public:
  enum Kind : uint8_t {
    vkEmpty,
    vkNull,
    vkBoolean,
    vkInteger,
    vkFloat,
    vkDateTime,
    vkString,
    vkArray
  };

  TVariant() = default;
  static TVariant Null() {
    TVariant v;
    v.kind_ = vkNull;
    return v;
  }
  TVariant(bool b) : kind_(vkBoolean), i_(b ? 1 : 0) {}
  TVariant(int v) : kind_(vkInteger), i_(v) {}
  TVariant(long v) : kind_(vkInteger), i_(v) {}
  TVariant(long long v) : kind_(vkInteger), i_(v) {}
  TVariant(double v) : kind_(vkFloat), d_(v) {}
  TVariant(const char *s) : kind_(vkString), s_(s ? s : "") {}
  TVariant(std::string s) : kind_(vkString), s_(std::move(s)) {}
  TVariant(std::vector<TVariant> items) : kind_(vkArray), a_(std::move(items)) {}
  static TVariant FromDateTime(TDateTime dt) {
    TVariant v;
    v.kind_ = vkDateTime;
    v.d_ = dt;
    return v;
  }

  Kind VarType() const { return kind_; }
  bool IsNull() const { return kind_ == vkNull || kind_ == vkEmpty; }
  bool IsArray() const { return kind_ == vkArray; }
  const std::vector<TVariant> &Items() const { return a_; }
  int ArrayCount() const { return static_cast<int>(a_.size()); }
  const TVariant &operator[](int i) const { return a_.at(static_cast<size_t>(i)); }

  // Conversions; each raises EConvertError when the value cannot be had as
  // the asked kind (null, for instance, converts to nothing but a string).
  bool AsBoolean() const;
  int64_t AsInteger() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  std::string AsString() const;

  bool operator==(const TVariant &other) const;

private:
  Kind kind_ = vkEmpty;
  int64_t i_ = 0;
  double d_ = 0;
  std::string s_;
  std::vector<TVariant> a_;
};
