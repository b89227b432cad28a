#include "engine/src/filter_eval.h"

#include "engine/src/collate.h"

#include <cmath>
#include <cstring>
#include <string_view>

namespace dbeng {

namespace {

// What a node of the compiled program does.
enum class Kind : uint8_t {
  And,
  Or,
  Not,
  IsBlank,
  NotBlank,
  Compare,     // two values, one of the six relational operators
  CompareText, // the same with a case flag and a partial length
  Truthy,      // a value standing where a condition belongs
  Field,
  Const,
  Arith,
};

// Scales of numbers that stand for dates and times, so that a date compares
// with a timestamp as midnight of its day.
enum Scale : uint8_t { scPlain, scDay, scTimeOfDay, scTimestamp };

constexpr long double kMsPerDay = 86400000.0L;

struct Value {
  enum Type : uint8_t { Blank, Number, Text };
  Type type = Blank;
  bool textual = false; // a blank that belongs to a text field
  Scale scale = scPlain;
  long double number = 0;
  std::string_view text;
  std::string owned; // backing store of a text made by joining
};

struct CNode {
  explicit CNode(Kind k, uint32_t o = 0, int x = -1, int y = -1) : kind(k), op(o), a(x), b(y) {}
  Kind kind;
  uint32_t op;
  int a, b;
  bool caseInsensitive = false;
  uint16_t partial = 0;
  const EngFldDesc *field = nullptr;
  Value constant;
};

long double DecodeBCD(const uint8_t *p) {
  int places = p[1] & 0x7F;
  long double v = 0;
  for (int i = 0; i < 16; ++i) {
    v = v * 10 + (p[2 + i] >> 4);
    v = v * 10 + (p[2 + i] & 15);
  }
  v /= std::pow(10.0L, places);
  return (p[1] & 0x80) ? -v : v;
}

template <typename T> T Load(const uint8_t *p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Byte length of the first `chars` characters of a UTF-8 text.
size_t PrefixBytes(std::string_view s, size_t chars) {
  size_t i = 0;
  while (chars > 0 && i < s.size()) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
      ++i;
    --chars;
  }
  return i;
}

bool IsRelational(uint32_t op) {
  return op >= ENG_FOP_EQ && op <= ENG_FOP_LE;
}
bool IsArithmetic(uint32_t op) {
  return op == ENG_FOP_ADD || op == ENG_FOP_SUB || op == ENG_FOP_MUL || op == ENG_FOP_DIV;
}

bool Holds(uint32_t op, int cmp) {
  switch (op) {
  case ENG_FOP_EQ:
    return cmp == 0;
  case ENG_FOP_NE:
    return cmp != 0;
  case ENG_FOP_GT:
    return cmp > 0;
  case ENG_FOP_LT:
    return cmp < 0;
  case ENG_FOP_GE:
    return cmp >= 0;
  case ENG_FOP_LE:
    return cmp <= 0;
  default:
    return false;
  }
}

bool Comparable(const EngFldDesc &fd) {
  switch (fd.type) {
  case ENG_FLD_ZSTRING:
  case ENG_FLD_DATE:
  case ENG_FLD_BOOL:
  case ENG_FLD_INT16:
  case ENG_FLD_INT32:
  case ENG_FLD_FLOAT:
  case ENG_FLD_BCD:
  case ENG_FLD_TIME:
  case ENG_FLD_TIMESTAMP:
  case ENG_FLD_UINT16:
  case ENG_FLD_UINT32:
    return true;
  default:
    return false;
  }
}

class Program : public RecordPredicate {
public:
  explicit Program(const RecordShape &shape) : shape_(shape) {}

  bool Matches(const uint8_t *record) const override { return Test(0, record); }

  RecordShape shape_;
  std::vector<CNode> nodes_;

private:
  void Eval(int i, const uint8_t *record, Value &out) const {
    const CNode &n = nodes_[static_cast<size_t>(i)];
    switch (n.kind) {
    case Kind::Const:
      out.type = n.constant.type;
      out.textual = n.constant.textual;
      out.scale = n.constant.scale;
      out.number = n.constant.number;
      out.text = n.constant.text;
      return;
    case Kind::Field:
      ReadValue(*n.field, record, out);
      return;
    case Kind::Arith: {
      Value x, y;
      Eval(n.a, record, x);
      Eval(n.b, record, y);
      out.type = Value::Blank;
      out.textual = false;
      out.scale = scPlain;
      if (n.op == ENG_FOP_ADD && x.type == Value::Text && y.type == Value::Text) {
        out.owned.assign(x.text);
        out.owned.append(y.text);
        out.text = out.owned;
        out.type = Value::Text;
        return;
      }
      if (x.type != Value::Number || y.type != Value::Number) return;
      // Date arithmetic keeps the scale of the date side ("STAMP - 1").
      out.scale = x.scale != scPlain ? x.scale : y.scale;
      switch (n.op) {
      case ENG_FOP_ADD:
        out.number = x.number + y.number;
        break;
      case ENG_FOP_SUB:
        out.number = x.number - y.number;
        if (x.scale != scPlain && x.scale == y.scale) out.scale = scPlain; // a difference
        break;
      case ENG_FOP_MUL:
        out.number = x.number * y.number;
        out.scale = scPlain;
        break;
      default:
        if (y.number == 0) return; // no value, rather than an infinity
        out.number = x.number / y.number;
        out.scale = scPlain;
        break;
      }
      out.type = Value::Number;
      return;
    }
    default: {
      // A condition used as a value: 1 or 0.
      out.type = Value::Number;
      out.scale = scPlain;
      out.number = Test(i, record) ? 1 : 0;
      return;
    }
    }
  }

  static void ReadValue(const EngFldDesc &fd, const uint8_t *record, Value &out) {
    out.scale = scPlain;
    out.textual = fd.type == ENG_FLD_ZSTRING;
    if (record[fd.nullOffset] == 0) {
      out.type = Value::Blank;
      return;
    }
    const uint8_t *p = record + fd.offset;
    out.type = Value::Number;
    switch (fd.type) {
    case ENG_FLD_ZSTRING: {
      const void *end = std::memchr(p, 0, fd.length);
      out.text = std::string_view(reinterpret_cast<const char *>(p),
                                  end ? static_cast<const uint8_t *>(end) - p : fd.length);
      out.type = Value::Text;
      return;
    }
    case ENG_FLD_BOOL:
    case ENG_FLD_INT16:
      out.number = Load<int16_t>(p);
      return;
    case ENG_FLD_UINT16:
      out.number = Load<uint16_t>(p);
      return;
    case ENG_FLD_INT32:
      out.number = Load<int32_t>(p);
      return;
    case ENG_FLD_UINT32:
      out.number = Load<uint32_t>(p);
      return;
    case ENG_FLD_FLOAT:
      out.number = Load<double>(p);
      return;
    case ENG_FLD_BCD:
      out.number = DecodeBCD(p);
      return;
    case ENG_FLD_DATE:
      out.number = Load<int32_t>(p);
      out.scale = scDay;
      return;
    case ENG_FLD_TIME:
      out.number = Load<int32_t>(p);
      out.scale = scTimeOfDay;
      return;
    case ENG_FLD_TIMESTAMP:
      out.number = Load<double>(p);
      out.scale = scTimestamp;
      return;
    default:
      out.type = Value::Blank; // not comparable; only blank tests reach here
      return;
    }
  }

  static long double OnScale(const Value &v, Scale to) {
    if (v.scale == scDay && to == scTimestamp) return v.number * kMsPerDay;
    return v.number;
  }

  // Compares two values: false in *comparable when they cannot be compared.
  static int CompareValues(const Value &x0, const Value &y0, const CNode &n, bool *comparable) {
    Value empty;
    empty.type = Value::Text;
    const Value &x = x0.type == Value::Blank && x0.textual ? empty : x0;
    const Value &y = y0.type == Value::Blank && y0.textual ? empty : y0;
    *comparable = true;
    if (x.type == Value::Text && y.type == Value::Text) {
      std::string_view a = x.text, b = y.text;
      if (n.partial > 0) {
        a = a.substr(0, PrefixBytes(a, n.partial));
        b = b.substr(0, PrefixBytes(b, n.partial));
      }
      return n.caseInsensitive ? CompareNoCase(a, b) : CompareDictionary(a, b);
    }
    if (x.type == Value::Number && y.type == Value::Number) {
      Scale s = x.scale == scTimestamp || y.scale == scTimestamp ? scTimestamp : scPlain;
      long double a = OnScale(x, s), b = OnScale(y, s);
      return a < b ? -1 : a > b ? 1 : 0;
    }
    *comparable = false;
    return 0;
  }

  bool Test(int i, const uint8_t *record) const {
    const CNode &n = nodes_[static_cast<size_t>(i)];
    switch (n.kind) {
    case Kind::And:
      return Test(n.a, record) && Test(n.b, record);
    case Kind::Or:
      return Test(n.a, record) || Test(n.b, record);
    case Kind::Not:
      return !Test(n.a, record);
    case Kind::IsBlank:
    case Kind::NotBlank: {
      const CNode &operand = nodes_[static_cast<size_t>(n.a)];
      bool blank;
      if (operand.kind == Kind::Field) {
        blank = record[operand.field->nullOffset] == 0;
      } else {
        Value v;
        Eval(n.a, record, v);
        blank = v.type == Value::Blank || (v.type == Value::Text && v.text.empty());
      }
      return n.kind == Kind::IsBlank ? blank : !blank;
    }
    case Kind::Compare:
    case Kind::CompareText: {
      Value x, y;
      Eval(n.a, record, x);
      Eval(n.b, record, y);
      bool comparable;
      int cmp = CompareValues(x, y, n, &comparable);
      return comparable && Holds(n.op, cmp);
    }
    default: {
      // Truthy: the value of its operand as a condition.
      Value v;
      Eval(n.a, record, v);
      if (v.type == Value::Number) return v.number != 0;
      if (v.type == Value::Text) return !v.text.empty();
      return false;
    }
    }
  }
};

// Reads a tree (version 1 or 2) and compiles it into a Program.
class Compiler {
public:
  Compiler(const uint8_t *tree, size_t size, Program &program)
      : t_(tree), size_(size), prog_(program) {}

  bool Run(std::string *why) {
    if (!Header()) return Fail(why);
    // A tree cannot hold more nodes than its node area has room for; a tree
    // whose operands point back at shared nodes is refused rather than
    // unfolded without end.
    maxNodes_ = 2 * ((literalStart_ - nodeStart_) / 8) + 4;
    prog_.nodes_.reserve(maxNodes_);
    prog_.nodes_.push_back(CNode(Kind::Truthy)); // the root goes first
    int root = Condition(0, 0);
    if (root < 0) return Fail(why);
    prog_.nodes_[0] = prog_.nodes_[static_cast<size_t>(root)];
    return true;
  }

private:
  bool Fail(std::string *why) {
    if (why) *why = error_;
    return false;
  }
  int Error(std::string text) {
    if (error_.empty()) error_ = std::move(text);
    return -1;
  }
  uint16_t U16(size_t pos) const { return static_cast<uint16_t>(t_[pos] | (t_[pos + 1] << 8)); }
  uint32_t U32(size_t pos) const { return U16(pos) | (uint32_t{U16(pos + 2)} << 16); }

  bool Header() {
    if (!t_ || size_ < ENG_FILTER_HEADER_SIZE)
      return Error("the tree is shorter than its header"), false;
    version_ = U16(0);
    if (version_ != ENG_FILTER_VERSION && version_ != ENG_FILTER_VERSION_FIXED)
      return Error("unknown filter tree version " + std::to_string(version_)), false;
    if (U16(2) != size_) return Error("the tree's size field does not match its length"), false;
    nodeStart_ = U16(6);
    literalStart_ = U16(8);
    if (nodeStart_ != ENG_FILTER_HEADER_SIZE || literalStart_ <= nodeStart_ ||
        literalStart_ > size_)
      return Error("the tree's node or literal area lies outside it"), false;
    if (version_ == ENG_FILTER_VERSION_FIXED &&
        literalStart_ != nodeStart_ + size_t{U16(4)} * ENG_FILTER_FIXED_NODE_SIZE)
      return Error("the node count does not match the node area"), false;
    return true;
  }

  int OperandCount(uint32_t cls) const {
    switch (cls) {
    case ENG_NODE_UNARY:
      return 1;
    case ENG_NODE_BINARY:
    case ENG_NODE_FIELD:
      return 2;
    case ENG_NODE_COMPARE:
      return 4;
    case ENG_NODE_CONST:
      return 3;
    default:
      return -1;
    }
  }

  // Reads the head of the node at `offset`; false (with an error) when it
  // does not fit the node area.
  bool Head(uint32_t offset, uint32_t &cls, uint32_t &op, uint16_t operands[4]) {
    size_t at = nodeStart_ + offset;
    if (at + 8 > literalStart_) return Error("a node lies outside the node area"), false;
    cls = U32(at);
    op = U32(at + 4);
    int count = OperandCount(cls);
    if (count < 0) return Error("unknown node class " + std::to_string(cls)), false;
    if (version_ == ENG_FILTER_VERSION_FIXED && count > 3)
      return Error("a compare node does not fit a fixed-size node"), false;
    size_t end = at + (version_ == ENG_FILTER_VERSION_FIXED ? ENG_FILTER_FIXED_NODE_SIZE
                                                            : 8 + 2 * static_cast<size_t>(count));
    if (end > literalStart_) return Error("a node lies outside the node area"), false;
    for (int k = 0; k < count; ++k)
      operands[k] = U16(at + 8 + 2 * static_cast<size_t>(k));
    return true;
  }

  int Add(CNode node) {
    if (prog_.nodes_.size() >= maxNodes_)
      return Error("the tree refers to its nodes more than once");
    prog_.nodes_.push_back(std::move(node));
    return static_cast<int>(prog_.nodes_.size() - 1);
  }

  int Condition(uint32_t offset, int depth) {
    if (depth > 512) return Error("the tree is nested too deeply");
    uint32_t cls, op;
    uint16_t o[4] = {};
    if (!Head(offset, cls, op, o)) return -1;
    switch (cls) {
    case ENG_NODE_UNARY: {
      if (op == ENG_FOP_NOT) {
        int a = Condition(o[0], depth + 1);
        return a < 0 ? -1 : Add(CNode(Kind::Not, op, a));
      }
      if (op == ENG_FOP_ISBLANK || op == ENG_FOP_NOTBLANK) {
        int a = ValueNode(o[0], depth + 1, true);
        return a < 0 ? -1
                     : Add(CNode(op == ENG_FOP_ISBLANK ? Kind::IsBlank : Kind::NotBlank, op, a));
      }
      return Error("operator " + std::to_string(op) + " cannot stand in a one-operand node");
    }
    case ENG_NODE_BINARY: {
      if (op == ENG_FOP_AND || op == ENG_FOP_OR) {
        int a = Condition(o[0], depth + 1);
        if (a < 0) return -1;
        int b = Condition(o[1], depth + 1);
        if (b < 0) return -1;
        return Add(CNode(op == ENG_FOP_AND ? Kind::And : Kind::Or, op, a, b));
      }
      if (IsRelational(op)) {
        int a = ValueNode(o[0], depth + 1, false);
        if (a < 0) return -1;
        int b = ValueNode(o[1], depth + 1, false);
        if (b < 0) return -1;
        return Add(CNode(Kind::Compare, op, a, b));
      }
      if (IsArithmetic(op)) {
        int v = ValueNode(offset, depth, false);
        return v < 0 ? -1 : Add(CNode(Kind::Truthy, 0, v));
      }
      return Error("operator " + std::to_string(op) + " cannot stand in a two-operand node");
    }
    case ENG_NODE_COMPARE: {
      if (!IsRelational(op)) return Error("a compare node needs a relational operator");
      if (o[0] > 1) return Error("a compare node's case flag is neither 0 nor 1");
      int a = ValueNode(o[2], depth + 1, false);
      if (a < 0) return -1;
      int b = ValueNode(o[3], depth + 1, false);
      if (b < 0) return -1;
      CNode n{Kind::CompareText, op, a, b};
      n.caseInsensitive = o[0] == 1;
      n.partial = o[1];
      return Add(std::move(n));
    }
    default: {
      int v = ValueNode(offset, depth, false);
      return v < 0 ? -1 : Add(CNode(Kind::Truthy, 0, v));
    }
    }
  }

  int ValueNode(uint32_t offset, int depth, bool forBlankTest) {
    if (depth > 512) return Error("the tree is nested too deeply");
    uint32_t cls, op;
    uint16_t o[4] = {};
    if (!Head(offset, cls, op, o)) return -1;
    switch (cls) {
    case ENG_NODE_FIELD:
      return FieldNode(o[0], o[1], forBlankTest);
    case ENG_NODE_CONST:
      return ConstNode(o[0], o[1], o[2]);
    case ENG_NODE_BINARY:
      if (IsArithmetic(op)) {
        int a = ValueNode(o[0], depth + 1, false);
        if (a < 0) return -1;
        int b = ValueNode(o[1], depth + 1, false);
        if (b < 0) return -1;
        return Add(CNode(Kind::Arith, op, a, b));
      }
      [[fallthrough]];
    default:
      // A condition where a value belongs (a comparison of comparisons):
      // it counts as 1 or 0.
      return Condition(offset, depth + 1);
    }
  }

  // The literal at `offset` of the literal area, `size` bytes; false when it
  // does not fit.
  bool Literal(uint16_t offset, size_t size, const uint8_t *&p) {
    size_t at = literalStart_ + offset;
    if (at > size_ || size > size_ - at) return Error("a literal lies outside the tree"), false;
    p = t_ + at;
    return true;
  }

  int FieldNode(uint16_t fieldNum, uint16_t nameOffset, bool forBlankTest) {
    const EngFldDesc *fd = prog_.shape_.Field(fieldNum);
    if (!fd) {
      // No such number: the name decides.
      const uint8_t *p;
      if (!Literal(nameOffset, 1, p)) return -1;
      size_t avail = size_ - (literalStart_ + nameOffset);
      const void *end = std::memchr(p, 0, avail);
      if (!end) return Error("a field name has no terminating zero");
      std::string_view name(reinterpret_cast<const char *>(p),
                            static_cast<const uint8_t *>(end) - p);
      for (const EngFldDesc &f : prog_.shape_.fields)
        if (CompareNoCase(std::string_view(f.name, strnlen(f.name, sizeof f.name)), name) == 0) {
          fd = &f;
          break;
        }
      if (!fd)
        return Error("the table has no field " + std::to_string(fieldNum) + " (" +
                     std::string(name) + ")");
    }
    if (!forBlankTest && !Comparable(*fd))
      return Error("field " + std::string(fd->name, strnlen(fd->name, sizeof fd->name)) +
                   " cannot be compared");
    CNode n{Kind::Field};
    n.field = fd;
    return Add(std::move(n));
  }

  int ConstNode(uint16_t type, uint16_t size, uint16_t offset) {
    const uint8_t *p;
    if (!Literal(offset, size, p)) return -1;
    CNode n{Kind::Const};
    Value &v = n.constant;
    v.type = Value::Number;
    auto need = [&](size_t bytes) {
      if (size != bytes) Error("constant of type " + std::to_string(type) + " has the wrong size");
      return size == bytes;
    };
    switch (type) {
    case ENG_CONST_ZSTRING: {
      if (size < 1 || p[size - 1] != 0) return Error("a text constant has no terminating zero");
      v.type = Value::Text;
      v.textual = true;
      // The program owns the text: keep it in the node (string_view set below).
      v.owned.assign(reinterpret_cast<const char *>(p),
                     strnlen(reinterpret_cast<const char *>(p), size));
      break;
    }
    case ENG_CONST_BOOL:
    case ENG_CONST_INT16:
      if (!need(2)) return -1;
      v.number = Load<int16_t>(p);
      break;
    case ENG_CONST_UINT16:
      if (!need(2)) return -1;
      v.number = Load<uint16_t>(p);
      break;
    case ENG_CONST_INT32:
      if (!need(4)) return -1;
      v.number = Load<int32_t>(p);
      break;
    case ENG_CONST_FLOAT:
      if (!need(8)) return -1;
      v.number = Load<double>(p);
      if (!std::isfinite(static_cast<double>(v.number)))
        return Error("a float constant is not finite");
      break;
    case ENG_CONST_BCD:
      if (!need(18)) return -1;
      if ((p[1] & 0x7F) > 32) return Error("a BCD constant has more than 32 places");
      for (int i = 2; i < 18; ++i)
        if ((p[i] >> 4) > 9 || (p[i] & 15) > 9) return Error("a BCD constant holds a non-digit");
      v.number = DecodeBCD(p);
      break;
    case ENG_CONST_DATE:
      if (!need(4)) return -1;
      v.number = Load<int32_t>(p);
      v.scale = scDay;
      break;
    case ENG_CONST_TIME:
      if (!need(4)) return -1;
      v.number = Load<int32_t>(p);
      v.scale = scTimeOfDay;
      break;
    case ENG_CONST_TIMESTAMP:
      if (!need(8)) return -1;
      v.number = Load<double>(p);
      v.scale = scTimestamp;
      if (!std::isfinite(static_cast<double>(v.number)))
        return Error("a timestamp constant is not finite");
      break;
    default:
      return Error("unknown constant type " + std::to_string(type));
    }
    int index = Add(std::move(n));
    return index;
  }

  const uint8_t *t_;
  size_t size_;
  Program &prog_;
  uint16_t version_ = 0;
  size_t nodeStart_ = 0, literalStart_ = 0;
  size_t maxNodes_ = 0;
  std::string error_;
};

std::unique_ptr<Program> Compile(const uint8_t *tree, size_t treeSize, const RecordShape &shape,
                                 std::string *why) {
  auto program = std::make_unique<Program>(shape);
  Compiler compiler(tree, treeSize, *program);
  if (!compiler.Run(why)) return nullptr;
  // Texts of constants now live in their nodes, which no longer move.
  for (CNode &n : program->nodes_)
    if (n.kind == Kind::Const && n.constant.type == Value::Text) n.constant.text = n.constant.owned;
  return program;
}

} // namespace

DBResult CompileFilterTree(const uint8_t *tree, size_t treeSize, const RecordShape &shape,
                           std::unique_ptr<RecordPredicate> *out, std::string *why) {
  out->reset();
  std::unique_ptr<Program> program = Compile(tree, treeSize, shape, why);
  if (!program) return DBENG_ERR_INVALIDFILTER;
  *out = std::move(program);
  return DBENG_OK;
}

bool AnalyzeFilterTree(const uint8_t *tree, size_t treeSize, const RecordShape &shape,
                       IndexableFilter *out) {
  std::string why;
  std::unique_ptr<Program> program = Compile(tree, treeSize, shape, &why);
  if (!program) return false;
  const std::vector<CNode> &nodes = program->nodes_;
  IndexableFilter result;
  const EngFldDesc *field = nullptr;
  // Walks an AND of comparisons; every term must be field-op-constant on one field.
  auto walk = [&](auto &&self, int i) -> bool {
    const CNode &n = nodes[static_cast<size_t>(i)];
    if (n.kind == Kind::And) return self(self, n.a) && self(self, n.b);
    if (n.kind != Kind::Compare && n.kind != Kind::CompareText) return false;
    const CNode *f = &nodes[static_cast<size_t>(n.a)];
    const CNode *c = &nodes[static_cast<size_t>(n.b)];
    uint32_t op = n.op;
    if (f->kind == Kind::Const && c->kind == Kind::Field) {
      std::swap(f, c);
      op = op == ENG_FOP_GT   ? ENG_FOP_LT
           : op == ENG_FOP_LT ? ENG_FOP_GT
           : op == ENG_FOP_GE ? ENG_FOP_LE
           : op == ENG_FOP_LE ? ENG_FOP_GE
                              : op;
    }
    if (f->kind != Kind::Field || c->kind != Kind::Const || op == ENG_FOP_NE) return false;
    if (field && field != f->field) return false;
    field = f->field;
    bool fieldIsText = field->type == ENG_FLD_ZSTRING;
    bool constIsText = c->constant.type == Value::Text;
    if (fieldIsText != constIsText) return false;
    IndexableTerm term;
    term.op = op;
    if (fieldIsText) {
      // A blank text reads as the empty text: only terms that the empty
      // text cannot meet leave blank rows out, as an index lookup does.
      if (c->constant.text.empty() || op == ENG_FOP_LT || op == ENG_FOP_LE) return false;
      if (n.kind == Kind::CompareText && n.partial > 0 && op != ENG_FOP_EQ) return false;
      term.isText = true;
      term.text = c->constant.owned;
      term.caseInsensitive = n.caseInsensitive;
      term.partialLength = n.partial;
    } else {
      // Numbers are compared on the field's own scale.
      Scale fieldScale = field->type == ENG_FLD_TIMESTAMP ? scTimestamp
                         : field->type == ENG_FLD_DATE    ? scDay
                         : field->type == ENG_FLD_TIME    ? scTimeOfDay
                                                          : scPlain;
      Scale constScale = c->constant.scale;
      if (constScale != fieldScale && !(constScale == scDay && fieldScale == scTimestamp))
        if (!(constScale == scPlain && fieldScale == scPlain)) return false;
      long double v = c->constant.number;
      if (constScale == scDay && fieldScale == scTimestamp) v *= kMsPerDay;
      term.number = static_cast<double>(v);
    }
    result.terms.push_back(std::move(term));
    return true;
  };
  if (!walk(walk, 0) || !field) return false;
  result.fieldNum = field->fieldNum;
  *out = std::move(result);
  return true;
}

} // namespace dbeng
