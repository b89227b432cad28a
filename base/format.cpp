#include "base/format.h"

#include <cstdio>
#include <vector>

namespace {

std::string AsString(const FormatArg &a) {
  if (auto s = std::get_if<std::string>(&a.Value())) return *s;
  if (auto i = std::get_if<int64_t>(&a.Value())) return std::to_string(*i);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", std::get<double>(a.Value()));
  return buf;
}

int64_t AsInt(const FormatArg &a) {
  if (auto i = std::get_if<int64_t>(&a.Value())) return *i;
  if (auto d = std::get_if<double>(&a.Value())) return static_cast<int64_t>(*d);
  return 0;
}

double AsDouble(const FormatArg &a) {
  if (auto d = std::get_if<double>(&a.Value())) return *d;
  if (auto i = std::get_if<int64_t>(&a.Value())) return static_cast<double>(*i);
  return 0;
}

} // namespace

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(fmt.size() + 32);
  auto next = args.begin();
  for (size_t i = 0; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 1 < fmt.size() && fmt[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // Collect the flags, width and precision of one placeholder.
    size_t j = i + 1;
    while (j < fmt.size() &&
           std::string_view("-+ #0123456789.").find(fmt[j]) != std::string_view::npos)
      ++j;
    if (j >= fmt.size() || std::string_view("sdiugfexX").find(fmt[j]) == std::string_view::npos ||
        next == args.end()) {
      out.append(fmt.substr(i, j - i + (j < fmt.size() ? 1 : 0)));
      i = j;
      continue;
    }
    std::string spec(fmt.substr(i, j - i));
    char conv = fmt[j];
    const FormatArg &arg = *next++;
    char buf[128];
    switch (conv) {
    case 's': {
      std::string s = AsString(arg);
      // Width and precision apply to the text as a whole.
      spec += 's';
      int n = std::snprintf(nullptr, 0, spec.c_str(), s.c_str());
      std::vector<char> big(static_cast<size_t>(n) + 1);
      std::snprintf(big.data(), big.size(), spec.c_str(), s.c_str());
      out.append(big.data(), static_cast<size_t>(n));
      break;
    }
    case 'd':
    case 'i':
    case 'u':
      spec += "lld";
      std::snprintf(buf, sizeof buf, spec.c_str(), static_cast<long long>(AsInt(arg)));
      out += buf;
      break;
    case 'x':
    case 'X':
      spec += "ll";
      spec += conv;
      std::snprintf(buf, sizeof buf, spec.c_str(),
                    static_cast<unsigned long long>(AsInt(arg)) & 0xffffffffffffffffULL);
      out += buf;
      break;
    default:
      spec += conv;
      std::snprintf(buf, sizeof buf, spec.c_str(), AsDouble(arg));
      out += buf;
      break;
    }
    i = j;
  }
  return out;
}
