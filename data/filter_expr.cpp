#include "data/filter_expr.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>

#include "base/convert.h"
#include "base/format.h"
#include "base/text.h"
#include "data/db_error.h"
#include "engine/include/dbeng.h"

namespace ft = filter_tree;

// The tree is read by the engine: its codes are the contract's.
static_assert(ft::kVersion == ENG_FILTER_VERSION && ft::kHeaderSize == ENG_FILTER_HEADER_SIZE);
static_assert(ft::ncUnary == ENG_NODE_UNARY && ft::ncBinary == ENG_NODE_BINARY &&
              ft::ncCompare == ENG_NODE_COMPARE && ft::ncField == ENG_NODE_FIELD &&
              ft::ncConst == ENG_NODE_CONST);
static_assert(ft::opIsBlank == ENG_FOP_ISBLANK && ft::opNotBlank == ENG_FOP_NOTBLANK &&
              ft::opEQ == ENG_FOP_EQ && ft::opNE == ENG_FOP_NE && ft::opGT == ENG_FOP_GT &&
              ft::opLT == ENG_FOP_LT && ft::opGE == ENG_FOP_GE && ft::opLE == ENG_FOP_LE &&
              ft::opNOT == ENG_FOP_NOT && ft::opAND == ENG_FOP_AND && ft::opOR == ENG_FOP_OR &&
              ft::opField == ENG_FOP_FIELD && ft::opConst == ENG_FOP_CONST &&
              ft::opSub == ENG_FOP_SUB && ft::opAdd == ENG_FOP_ADD && ft::opMul == ENG_FOP_MUL &&
              ft::opDiv == ENG_FOP_DIV);
static_assert(ft::ctString == ENG_CONST_ZSTRING && ft::ctDate == ENG_CONST_DATE &&
              ft::ctBoolean == ENG_CONST_BOOL && ft::ctInt16 == ENG_CONST_INT16 &&
              ft::ctInt32 == ENG_CONST_INT32 && ft::ctFloat == ENG_CONST_FLOAT &&
              ft::ctBCD == ENG_CONST_BCD && ft::ctTime == ENG_CONST_TIME &&
              ft::ctDateTime == ENG_CONST_TIMESTAMP && ft::ctUInt16 == ENG_CONST_UINT16);

namespace {

constexpr const char *kExprTermination = "Filter expression incorrectly terminated";
constexpr const char *kExprNameError = "Unterminated field name";
constexpr const char *kExprStringError = "Unterminated string constant";
constexpr const char *kExprInvalidChar = "Invalid filter expression character: '%s'";
constexpr const char *kExprNoRParen = "')' expected but %s found";
constexpr const char *kExprExpected = "Expression expected but %s found";
constexpr const char *kExprBadField = "Field '%s' cannot be used in a filter expression";
constexpr const char *kExprBadNullTest = "NULL only allowed with '=' and '<>'";
constexpr const char *kExprRangeError = "Constant out of range";
constexpr const char *kExprNotBoolean = "Field '%s' is not of type Boolean";
constexpr const char *kExprBadCompare = "Relational operators require a field and a constant";
constexpr const char *kExprBadConst = "Incorrectly formed filter expression";
// Our own: the tree's sizes and offsets are 16-bit, so a bigger tree cannot
// be written without wrapping them.
constexpr const char *kExprTooLarge = "Filter expression is too large";

constexpr size_t kMaxLiteralChars = 256;
constexpr size_t kMaxNativeBytes = 255;

void Put16(std::vector<uint8_t> &buf, size_t pos, uint32_t v) {
  buf[pos] = static_cast<uint8_t>(v);
  buf[pos + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t> &buf, size_t pos, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    buf[pos + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
template <typename T> std::vector<uint8_t> Bytes(T v) {
  std::vector<uint8_t> out(sizeof(T));
  std::memcpy(out.data(), &v, sizeof(T)); // the machine is little-endian, as is the tree
  return out;
}

// Length of the UTF-8 sequence that starts with byte c (1 for a stray byte).
size_t SeqLen(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  if (i + n > s.size()) return 1;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  return n;
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

uint32_t Mirror(uint32_t op) {
  switch (op) {
  case ft::opGT:
    return ft::opLT;
  case ft::opLT:
    return ft::opGT;
  case ft::opGE:
    return ft::opLE;
  case ft::opLE:
    return ft::opGE;
  default:
    return op;
  }
}

bool IsText(const TVariant &v) {
  return v.VarType() == TVariant::vkString;
}

int64_t IntegerValue(const TVariant &v) {
  if (IsText(v)) return StrToInt(v.AsString());
  return v.AsInteger();
}

double FloatValue(const TVariant &v) {
  if (IsText(v)) return StrToFloat(v.AsString());
  return v.AsFloat();
}

// Day number (1 January of year 1 = 1) and milliseconds since midnight of a
// date-time value.
void SplitDateTime(double dt, int32_t &day, int32_t &msec) {
  double whole = std::trunc(dt);
  day = static_cast<int32_t>(whole) + kDateDelta;
  msec = static_cast<int32_t>(std::llround(std::fabs(dt - whole) * kMSecsPerDay));
  if (msec >= static_cast<int32_t>(kMSecsPerDay)) msec = static_cast<int32_t>(kMSecsPerDay) - 1;
}

double DateTimeValue(const TVariant &v, TDateTime (*parse)(std::string_view)) {
  if (IsText(v)) return parse(v.AsString());
  return v.AsDateTime();
}

// The packed decimal of a BCD constant: precision 32, sign and decimal places,
// then 32 digits right-aligned so that the last `places` are the fraction.
std::vector<uint8_t> EncodeBCD(double value, int places) {
  if (!std::isfinite(value)) DatabaseError(kExprRangeError);
  double rounded = std::round(value * 10000.0) / 10000.0;
  int shown = places < 4 ? places : 4;
  char text[400];
  int n = std::snprintf(text, sizeof text, "%.*f", shown, std::fabs(rounded));
  if (n < 0 || static_cast<size_t>(n) >= sizeof text) DatabaseError(kExprRangeError);
  std::string digits;
  for (const char *p = text; *p; ++p)
    if (IsDigit(*p)) digits += *p;
  digits.append(static_cast<size_t>(places - shown), '0');
  size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos)
    digits = "0";
  else
    digits.erase(0, first);
  if (digits.size() > 32) DatabaseError(kExprRangeError);
  bool negative = rounded < 0 && digits != "0";
  digits.insert(0, 32 - digits.size(), '0');
  std::vector<uint8_t> out(18, 0);
  out[0] = 32;
  out[1] = static_cast<uint8_t>((negative ? 0x80 : 0) | (places & 0x7F));
  for (size_t i = 0; i < 16; ++i)
    out[2 + i] = static_cast<uint8_t>(((digits[2 * i] - '0') << 4) | (digits[2 * i + 1] - '0'));
  return out;
}

} // namespace

// ---------------------------------------------------------------------------

bool TFilterFieldList::FindFilterField(const std::string &name, TFilterField &field) const {
  for (const TFilterField &f : fields_)
    if (AnsiSameText(f.FieldName, name)) {
      field = f;
      return true;
    }
  return false;
}

// ---------------------------------------------------------------------------

TFilterExpr::TFilterExpr(const TFilterFieldSource &fields, TFilterOptions options)
    : fields_(fields), options_(options) {}

TFilterExpr::~TFilterExpr() {
  while (nodes_) {
    TExprNode *next = nodes_->FNext;
    delete nodes_;
    nodes_ = next;
  }
}

TExprNode *TFilterExpr::NewNode(TExprNodeKind kind, uint32_t op, const TVariant &data,
                                TExprNode *left, TExprNode *right) {
  auto *node = new TExprNode;
  node->FNext = nodes_;
  node->FKind = kind;
  node->FOperator = op;
  node->FData = data;
  node->FLeft = left;
  node->FRight = right;
  nodes_ = node;
  return node;
}

const std::vector<uint8_t> &TFilterExpr::GetFilterData(TExprNode *root) {
  buffer_.assign(ft::kHeaderSize, 0);
  nodeSize_ = 0;
  literalSize_ = 0;
  PutExprNode(root);
  if (buffer_.size() > 0xFFFF) {
    buffer_.clear();
    DatabaseError(kExprTooLarge);
  }
  Put16(buffer_, 0, ft::kVersion);
  Put16(buffer_, 2, static_cast<uint32_t>(buffer_.size()));
  Put16(buffer_, 4, ft::kNodeCount);
  Put16(buffer_, 6, ft::kHeaderSize);
  Put16(buffer_, 8, static_cast<uint32_t>(ft::kHeaderSize + nodeSize_));
  return buffer_;
}

int TFilterExpr::PutNode(uint32_t nodeClass, uint32_t op, int operands) {
  size_t size = ft::kNodeHeadSize + 2 * static_cast<size_t>(operands);
  size_t at = ft::kHeaderSize + nodeSize_;
  buffer_.insert(buffer_.begin() + static_cast<std::ptrdiff_t>(at), size, 0);
  Put32(buffer_, at, nodeClass);
  Put32(buffer_, at + 4, op);
  int offset = static_cast<int>(nodeSize_);
  nodeSize_ += size;
  return offset;
}

void TFilterExpr::SetNodeOp(int node, int index, int value) {
  size_t pos = ft::kHeaderSize + static_cast<size_t>(node) + ft::kNodeHeadSize +
               2 * static_cast<size_t>(index);
  Put16(buffer_, pos, static_cast<uint32_t>(value));
}

int TFilterExpr::PutLiteral(const std::vector<uint8_t> &bytes) {
  int offset = static_cast<int>(literalSize_);
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  literalSize_ += bytes.size();
  return offset;
}

std::string TFilterExpr::NativeText(const std::string &text) const {
  return Utf8Truncate(fields_.AnsiToNative(text), kMaxNativeBytes);
}

TFilterField TFilterExpr::FindDataField(const std::string &name) const {
  TFilterField field;
  if (!fields_.FindFilterField(name, field)) DatabaseErrorFmt(msg::kFieldNotFound, {name});
  if (field.FieldKind != fkData) DatabaseErrorFmt(kExprBadField, {field.FieldName});
  return field;
}

int TFilterExpr::PutFieldNode(const TFilterField &field) {
  std::string name = NativeText(field.FieldName);
  std::vector<uint8_t> literal(name.begin(), name.end());
  literal.push_back(0);
  int node = PutNode(ft::ncField, ft::opField, 2);
  SetNodeOp(node, 0, field.FieldNo);
  SetNodeOp(node, 1, PutLiteral(literal));
  return node;
}

int TFilterExpr::PutConstNode(uint16_t type, const std::vector<uint8_t> &value) {
  int node = PutNode(ft::ncConst, ft::opConst, 3);
  SetNodeOp(node, 0, type);
  SetNodeOp(node, 1, static_cast<int>(value.size()));
  SetNodeOp(node, 2, PutLiteral(value));
  return node;
}

int TFilterExpr::PutConstNodeFor(const TFilterField &field, const TVariant &value) {
  switch (field.DataType) {
  case ftString: {
    std::string text = NativeText(value.AsString());
    std::vector<uint8_t> literal(text.begin(), text.end());
    literal.push_back(0);
    return PutConstNode(ft::ctString, literal);
  }
  case ftSmallint: {
    int64_t v = IntegerValue(value);
    if (v < -32768 || v > 32767) DatabaseError(kExprRangeError);
    return PutConstNode(ft::ctInt16, Bytes(static_cast<int16_t>(v)));
  }
  case ftWord: {
    int64_t v = IntegerValue(value);
    if (v < 0 || v > 65535) DatabaseError(kExprRangeError);
    return PutConstNode(ft::ctUInt16, Bytes(static_cast<uint16_t>(v)));
  }
  case ftInteger:
  case ftAutoInc: {
    int64_t v = IntegerValue(value);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
      // A text beyond 32 bits is no integer the runtime reads; any other
      // value simply does not fit the field.
      if (IsText(value))
        throw EConvertError(Format("'%s' is not a valid integer value", {value.AsString()}));
      DatabaseError(kExprRangeError);
    }
    return PutConstNode(ft::ctInt32, Bytes(static_cast<int32_t>(v)));
  }
  case ftFloat:
  case ftCurrency:
    return PutConstNode(ft::ctFloat, Bytes(FloatValue(value)));
  case ftBCD:
    return PutConstNode(ft::ctBCD, EncodeBCD(FloatValue(value), field.Size));
  case ftDate: {
    int32_t day, msec;
    SplitDateTime(DateTimeValue(value, StrToDate), day, msec);
    return PutConstNode(ft::ctDate, Bytes(day));
  }
  case ftTime: {
    int32_t day, msec;
    SplitDateTime(DateTimeValue(value, StrToTime), day, msec);
    return PutConstNode(ft::ctTime, Bytes(msec));
  }
  case ftDateTime: {
    int32_t day, msec;
    SplitDateTime(DateTimeValue(value, StrToDateTime), day, msec);
    return PutConstNode(ft::ctDateTime, Bytes(static_cast<double>(day) * kMSecsPerDay + msec));
  }
  default:
    DatabaseErrorFmt(kExprBadField, {field.FieldName});
  }
}

int TFilterExpr::PutExprNode(TExprNode *node) {
  if (!node) DatabaseError(kExprBadConst);
  switch (node->FKind) {
  case enField: {
    // A Boolean field standing alone: the record passes when it is true.
    TFilterField field = FindDataField(node->FData.AsString());
    if (field.DataType != ftBoolean) DatabaseErrorFmt(kExprNotBoolean, {field.FieldName});
    int result = PutNode(ft::ncBinary, ft::opNE, 2);
    SetNodeOp(result, 0, PutFieldNode(field));
    SetNodeOp(result, 1, PutConstNode(ft::ctBoolean, Bytes(static_cast<int16_t>(0))));
    return result;
  }
  case enConst:
    DatabaseError(kExprBadConst);
  case enOperator:
    break;
  }
  switch (node->FOperator) {
  case ft::opAND:
  case ft::opOR: {
    int result = PutNode(ft::ncBinary, node->FOperator, 2);
    SetNodeOp(result, 0, PutExprNode(node->FLeft));
    SetNodeOp(result, 1, PutExprNode(node->FRight));
    return result;
  }
  case ft::opNOT: {
    int result = PutNode(ft::ncUnary, ft::opNOT, 1);
    SetNodeOp(result, 0, PutExprNode(node->FLeft));
    return result;
  }
  case ft::opEQ:
  case ft::opNE:
  case ft::opGT:
  case ft::opLT:
  case ft::opGE:
  case ft::opLE:
    return PutComparison(node);
  default:
    DatabaseError(kExprBadConst);
  }
}

int TFilterExpr::PutComparison(TExprNode *node) {
  TExprNode *left = node->FLeft;
  TExprNode *right = node->FRight;
  uint32_t op = node->FOperator;
  if (right && right->FKind == enField) {
    std::swap(left, right);
    op = Mirror(op);
  }
  if (!left || left->FKind != enField || !right || right->FKind != enConst)
    DatabaseError(kExprBadCompare);
  TFilterField field = FindDataField(left->FData.AsString());

  if (right->FData.IsNull()) {
    if (op != ft::opEQ && op != ft::opNE) DatabaseError(kExprBadNullTest);
    int result = PutNode(ft::ncUnary, op == ft::opEQ ? ft::opIsBlank : ft::opNotBlank, 1);
    SetNodeOp(result, 0, PutFieldNode(field));
    return result;
  }

  if (field.DataType == ftString && (op == ft::opEQ || op == ft::opNE)) {
    std::string text = right->FData.AsString();
    if (!text.empty()) {
      bool caseInsensitive = (options_ & foCaseInsensitive) != 0;
      size_t partial = 0;
      if (right->FPartial) {
        partial = Utf8Length(text);
      } else if (!(options_ & foNoPartialCompare) && Utf8Length(text) >= 2 && text.back() == '*') {
        text.pop_back();
        partial = Utf8Length(text);
      }
      if (caseInsensitive || partial > 0) {
        std::string native = NativeText(text);
        // Never ask the engine to compare more characters than it is given.
        partial = std::min(partial, Utf8Length(native));
        std::vector<uint8_t> literal(native.begin(), native.end());
        literal.push_back(0);
        int result = PutNode(ft::ncCompare, op, 4);
        SetNodeOp(result, 0, caseInsensitive ? 1 : 0);
        SetNodeOp(result, 1, static_cast<int>(partial));
        SetNodeOp(result, 2, PutFieldNode(field));
        SetNodeOp(result, 3, PutConstNode(ft::ctString, literal));
        return result;
      }
    }
  }

  int result = PutNode(ft::ncBinary, op, 2);
  SetNodeOp(result, 0, PutFieldNode(field));
  SetNodeOp(result, 1, PutConstNodeFor(field, right->FData));
  return result;
}

// ---------------------------------------------------------------------------

TExprParser::TExprParser(const TFilterFieldSource &fields, const std::string &text,
                         TFilterOptions options)
    : filterExpr_(fields, options), text_(text) {
  NextToken();
  TExprNode *root = ParseExpr();
  if (token_ != etEnd) DatabaseError(kExprTermination);
  filterExpr_.GetFilterData(root);
}

void TExprParser::NextToken() {
  const std::string &s = text_;
  size_t p = sourcePtr_;
  while (p < s.size() && static_cast<unsigned char>(s[p]) >= 1 &&
         static_cast<unsigned char>(s[p]) <= 32)
    ++p;
  tokenPtr_ = p;
  tokenString_.clear();
  // A zero byte ends the text, as the end of the string does.
  if (p >= s.size() || s[p] == '\0') {
    token_ = etEnd;
    sourcePtr_ = p;
    return;
  }
  char c = s[p];
  auto atEnd = [&](size_t i) { return i >= s.size() || s[i] == '\0'; };
  if (c == '\'') {
    ++p;
    size_t chars = 0;
    for (;;) {
      if (atEnd(p)) DatabaseError(kExprStringError);
      if (s[p] == '\'') {
        if (p + 1 < s.size() && s[p + 1] == '\'') {
          if (chars++ < kMaxLiteralChars) tokenString_ += '\'';
          p += 2;
          continue;
        }
        ++p;
        break;
      }
      size_t n = SeqLen(s, p);
      if (chars++ < kMaxLiteralChars) tokenString_.append(s, p, n);
      p += n;
    }
    token_ = etLiteral;
  } else if (c == '(') {
    ++p;
    token_ = etLParen;
    tokenString_ = "(";
  } else if (c == ')') {
    ++p;
    token_ = etRParen;
    tokenString_ = ")";
  } else if (c == '-' || IsDigit(c)) {
    size_t start = p;
    while (!atEnd(p) && (IsDigit(s[p]) || s[p] == '+' || s[p] == '-' || s[p] == '.' ||
                         s[p] == 'E' || s[p] == 'e'))
      ++p;
    tokenString_ = s.substr(start, p - start);
    token_ = etLiteral;
  } else if (c == '<') {
    ++p;
    token_ = etLT;
    if (!atEnd(p) && s[p] == '=') {
      ++p;
      token_ = etLE;
    } else if (!atEnd(p) && s[p] == '>') {
      ++p;
      token_ = etNE;
    }
    tokenString_ = s.substr(tokenPtr_, p - tokenPtr_);
  } else if (c == '=') {
    ++p;
    token_ = etEQ;
    tokenString_ = "=";
  } else if (c == '>') {
    ++p;
    token_ = etGT;
    if (!atEnd(p) && s[p] == '=') {
      ++p;
      token_ = etGE;
    }
    tokenString_ = s.substr(tokenPtr_, p - tokenPtr_);
  } else if (IsLetter(c) || c == '_') {
    size_t start = p;
    while (!atEnd(p) && (IsLetter(s[p]) || IsDigit(s[p]) || s[p] == '_'))
      ++p;
    tokenString_ = s.substr(start, p - start);
    token_ = etSymbol;
  } else if (c == '[') {
    size_t start = ++p;
    while (!atEnd(p) && s[p] != ']')
      ++p;
    if (atEnd(p)) DatabaseError(kExprNameError);
    tokenString_ = s.substr(start, p - start);
    ++p;
    token_ = etName;
  } else {
    DatabaseErrorFmt(kExprInvalidChar, {s.substr(p, SeqLen(s, p))});
  }
  sourcePtr_ = p;
}

bool TExprParser::TokenSymbolIs(const char *keyword) const {
  return token_ == etSymbol && AnsiSameText(tokenString_, keyword);
}

std::string TExprParser::TokenName() const {
  if (token_ == etEnd) return "nothing";
  return "'" + tokenString_ + "'";
}

TExprNode *TExprParser::ParseExpr() {
  TExprNode *result = ParseTerm();
  while (TokenSymbolIs("OR")) {
    NextToken();
    TExprNode *right = ParseTerm();
    result = filterExpr_.NewNode(enOperator, ft::opOR, TVariant::Null(), result, right);
  }
  return result;
}

TExprNode *TExprParser::ParseTerm() {
  TExprNode *result = ParseFactor();
  while (TokenSymbolIs("AND")) {
    NextToken();
    TExprNode *right = ParseFactor();
    result = filterExpr_.NewNode(enOperator, ft::opAND, TVariant::Null(), result, right);
  }
  return result;
}

TExprNode *TExprParser::ParseFactor() {
  if (TokenSymbolIs("NOT")) {
    NextToken();
    TExprNode *operand = ParseCompare();
    return filterExpr_.NewNode(enOperator, ft::opNOT, TVariant::Null(), operand, nullptr);
  }
  return ParseCompare();
}

TExprNode *TExprParser::ParseCompare() {
  TExprNode *result = ParsePrimary();
  uint32_t op;
  switch (token_) {
  case etEQ:
    op = ft::opEQ;
    break;
  case etNE:
    op = ft::opNE;
    break;
  case etGT:
    op = ft::opGT;
    break;
  case etLT:
    op = ft::opLT;
    break;
  case etGE:
    op = ft::opGE;
    break;
  case etLE:
    op = ft::opLE;
    break;
  default:
    return result;
  }
  NextToken();
  TExprNode *right = ParsePrimary();
  return filterExpr_.NewNode(enOperator, op, TVariant::Null(), result, right);
}

TExprNode *TExprParser::ParsePrimary() {
  TExprNode *result;
  switch (token_) {
  case etSymbol:
    if (TokenSymbolIs("NULL"))
      result = filterExpr_.NewNode(enConst, 0, TVariant::Null(), nullptr, nullptr);
    else
      result = filterExpr_.NewNode(enField, 0, TVariant(tokenString_), nullptr, nullptr);
    break;
  case etName:
    result = filterExpr_.NewNode(enField, 0, TVariant(tokenString_), nullptr, nullptr);
    break;
  case etLiteral:
    result = filterExpr_.NewNode(enConst, 0, TVariant(tokenString_), nullptr, nullptr);
    break;
  case etLParen:
    NextToken();
    result = ParseExpr();
    if (token_ != etRParen) DatabaseErrorFmt(kExprNoRParen, {TokenName()});
    break;
  default:
    DatabaseErrorFmt(kExprExpected, {TokenName()});
  }
  NextToken();
  return result;
}

std::vector<uint8_t> BuildFilterTree(const TFilterFieldSource &fields, const std::string &text,
                                     TFilterOptions options) {
  TExprParser parser(fields, text, options);
  return parser.FilterData();
}
