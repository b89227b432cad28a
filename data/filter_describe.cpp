// A readable dump of a filter tree, for `sfxcat explain-filter` and for
// looking at trees in tests. It reads only what the bytes say, checking every
// offset, so a damaged tree gives a message instead of a wild read.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/convert.h"
#include "base/exception.h"
#include "base/format.h"
#include "data/filter_expr.h"

namespace ft = filter_tree;

namespace {

class TreeReader {
public:
  explicit TreeReader(const std::vector<uint8_t> &tree) : t_(tree) {
    if (t_.size() < ft::kHeaderSize) Fail("shorter than its header");
    if (U16(0) != ft::kVersion) Fail(Format("version %d", {U16(0)}));
    if (U16(2) != t_.size()) Fail(Format("size field %d for %d bytes", {U16(2), t_.size()}));
    nodeStart_ = U16(6);
    literalStart_ = U16(8);
    if (nodeStart_ != ft::kHeaderSize || literalStart_ < nodeStart_ || literalStart_ > t_.size())
      Fail("node or literal area out of bounds");
  }

  std::string Describe() {
    std::string out = Format("version %d, %d bytes, nodes at %d, literals at %d\n",
                             {U16(0), t_.size(), nodeStart_, literalStart_});
    if (literalStart_ > nodeStart_) Node(0, 0, out);
    return out;
  }

private:
  [[noreturn]] void Fail(const std::string &why) const {
    throw Exception("Malformed filter tree: " + why);
  }
  uint32_t U16(size_t pos) const {
    if (pos + 2 > t_.size()) Fail("read past the end");
    return static_cast<uint32_t>(t_[pos] | (t_[pos + 1] << 8));
  }
  uint32_t U32(size_t pos) const { return U16(pos) | (U16(pos + 2) << 16); }

  static const char *OperatorName(uint32_t op) {
    switch (op) {
    case ft::opIsBlank:
      return "is blank";
    case ft::opNotBlank:
      return "is not blank";
    case ft::opEQ:
      return "=";
    case ft::opNE:
      return "<>";
    case ft::opGT:
      return ">";
    case ft::opLT:
      return "<";
    case ft::opGE:
      return ">=";
    case ft::opLE:
      return "<=";
    case ft::opNOT:
      return "NOT";
    case ft::opAND:
      return "AND";
    case ft::opOR:
      return "OR";
    case ft::opSub:
      return "-";
    case ft::opAdd:
      return "+";
    case ft::opMul:
      return "*";
    case ft::opDiv:
      return "/";
    default:
      return "?";
    }
  }

  std::string Literal(uint32_t offset, uint32_t size) const {
    size_t at = literalStart_ + offset;
    if (at + size > t_.size()) Fail("literal out of bounds");
    return std::string(reinterpret_cast<const char *>(t_.data() + at), size);
  }

  std::string ConstText(uint32_t type, uint32_t size, uint32_t offset) const {
    std::string raw = Literal(offset, size);
    auto need = [&](size_t n) {
      if (raw.size() != n) Fail(Format("constant of type %d with %d bytes", {type, raw.size()}));
    };
    auto get = [&](auto v) {
      need(sizeof v);
      std::memcpy(&v, raw.data(), sizeof v);
      return v;
    };
    switch (type) {
    case ft::ctString: {
      if (raw.empty() || raw.back() != '\0') Fail("string constant without its zero byte");
      raw.pop_back();
      std::string q;
      for (char c : raw)
        q += c == '\'' ? std::string("''") : std::string(1, c);
      return "string '" + q + "'";
    }
    case ft::ctBoolean:
      return Format("boolean %d", {get(int16_t{})});
    case ft::ctInt16:
      return Format("int16 %d", {get(int16_t{})});
    case ft::ctUInt16:
      return Format("uint16 %d", {get(uint16_t{})});
    case ft::ctInt32:
      return Format("int32 %d", {get(int32_t{})});
    case ft::ctFloat:
      return "float " + FloatToStr(get(double{}));
    case ft::ctDate: {
      int32_t day = get(int32_t{});
      return Format("date %s (day %d)", {DateToStr(day - kDateDelta), day});
    }
    case ft::ctTime: {
      int32_t ms = get(int32_t{});
      return Format("time %s (%d ms)", {TimeToStr(ms / kMSecsPerDay), ms});
    }
    case ft::ctDateTime: {
      double v = get(double{});
      double day = std::floor(v / kMSecsPerDay);
      double dt = day - kDateDelta + (v - day * kMSecsPerDay) / kMSecsPerDay;
      return "datetime " + DateTimeToStr(dt);
    }
    case ft::ctBCD: {
      need(18);
      std::string digits;
      for (size_t i = 2; i < 18; ++i) {
        auto b = static_cast<unsigned char>(raw[i]);
        digits += static_cast<char>('0' + (b >> 4));
        digits += static_cast<char>('0' + (b & 15));
      }
      int places = static_cast<unsigned char>(raw[1]) & 0x7F;
      bool negative = (static_cast<unsigned char>(raw[1]) & 0x80) != 0;
      if (places > 32) Fail("BCD with more than 32 places");
      std::string whole = digits.substr(0, 32 - static_cast<size_t>(places));
      size_t first = whole.find_first_not_of('0');
      whole = first == std::string::npos ? "0" : whole.substr(first);
      std::string text = (negative ? "-" : "") + whole;
      if (places > 0) text += "." + digits.substr(32 - static_cast<size_t>(places));
      return "bcd " + text;
    }
    default:
      return Format("type %d, %d bytes", {type, size});
    }
  }

  void Node(uint32_t offset, int depth, std::string &out) {
    if (depth > 200) Fail("nested too deeply");
    size_t at = nodeStart_ + offset;
    if (at + ft::kNodeHeadSize > literalStart_) Fail("node out of bounds");
    uint32_t cls = U32(at);
    uint32_t op = U32(at + 4);
    auto operand = [&](int i) {
      size_t pos = at + ft::kNodeHeadSize + 2 * static_cast<size_t>(i);
      if (pos + 2 > literalStart_) Fail("operand out of bounds");
      return U16(pos);
    };
    std::string pad(static_cast<size_t>(depth) * 2, ' ');
    std::string head = Format("%s[%d] ", {pad, offset});
    switch (cls) {
    case ft::ncUnary:
      out += head + OperatorName(op) + "\n";
      Node(operand(0), depth + 1, out);
      break;
    case ft::ncBinary:
      out += head + OperatorName(op) + "\n";
      Node(operand(0), depth + 1, out);
      Node(operand(1), depth + 1, out);
      break;
    case ft::ncCompare:
      out += head + Format("%s (compare: case-insensitive %d, partial length %d)\n",
                           {OperatorName(op), operand(0), operand(1)});
      Node(operand(2), depth + 1, out);
      Node(operand(3), depth + 1, out);
      break;
    case ft::ncField: {
      std::string name = Literal(operand(1), 0);
      size_t at2 = literalStart_ + operand(1);
      while (at2 < t_.size() && t_[at2] != 0)
        name += static_cast<char>(t_[at2++]);
      if (at2 >= t_.size()) Fail("field name without its zero byte");
      out += head + Format("field %d %s\n", {operand(0), name});
      break;
    }
    case ft::ncConst:
      out += head + "constant " + ConstText(operand(0), operand(1), operand(2)) + "\n";
      break;
    default:
      Fail(Format("node class %d", {cls}));
    }
  }

  const std::vector<uint8_t> &t_;
  size_t nodeStart_ = 0;
  size_t literalStart_ = 0;
};

} // namespace

std::string DescribeFilterTree(const std::vector<uint8_t> &tree) {
  return TreeReader(tree).Describe();
}
