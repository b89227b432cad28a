// Message formatting: fills "%s", "%d", "%g", "%x" (with optional flags,
// width and precision, e.g. "%.4x") in order from the arguments; "%%" is a
// percent sign. Too few arguments leave the remaining placeholders as they
// stand rather than reading past the list.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

class FormatArg {
public:
  FormatArg(const std::string &s) : v_(s) {}
  FormatArg(std::string_view s) : v_(std::string(s)) {}
  FormatArg(const char *s) : v_(std::string(s ? s : "")) {}
  FormatArg(int v) : v_(static_cast<int64_t>(v)) {}
  FormatArg(long v) : v_(static_cast<int64_t>(v)) {}
  FormatArg(long long v) : v_(static_cast<int64_t>(v)) {}
  FormatArg(unsigned v) : v_(static_cast<int64_t>(v)) {}
  FormatArg(unsigned long v) : v_(static_cast<int64_t>(v)) {}
  FormatArg(unsigned long long v) : v_(static_cast<int64_t>(v)) {}
  FormatArg(double v) : v_(v) {}

  const std::variant<std::string, int64_t, double> &Value() const { return v_; }

private:
  std::variant<std::string, int64_t, double> v_;
};

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args);
