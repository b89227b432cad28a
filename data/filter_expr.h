// Filter expressions: the filter-text language ("CATEGORY=100 AND TITLE='Dog*'")
// and the filter tree the engine evaluates against each record.
//
// TExprParser reads a text into parse nodes; TFilterExpr owns those nodes and
// writes the tree from them, checking every comparison against the dataset's
// fields and encoding each constant in the field's own storage type. The key
// search of the dataset builds parse nodes directly through TFilterExpr.
//
// The dataset's fields are reached through TFilterFieldSource, so that this
// code needs nothing from the dataset beyond a name lookup.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "data/db_types.h"
#include "data/variant.h"

// ---------------------------------------------------------------------------
// The filter tree: header, node area, literal area; little-endian, no
// pointers. These codes are the ones the engine reads.

namespace filter_tree {
constexpr uint16_t kVersion = 2;
constexpr uint16_t kHeaderSize = 10;
constexpr uint16_t kNodeCount = 0xFFFF;
constexpr uint16_t kNodeHeadSize = 8;

// Node classes.
enum NodeClass : uint32_t {
  ncUnary = 1,   // one operand: node offset
  ncBinary = 2,  // two operands: node offsets
  ncCompare = 3, // case-insensitive flag, partial length, field node, constant node
  ncField = 4,   // field number, literal offset of the name
  ncConst = 5,   // data type, size in bytes, literal offset of the value
};

// Operators.
enum Operator : uint32_t {
  opIsBlank = 1,
  opNotBlank = 2,
  opEQ = 3,
  opNE = 4,
  opGT = 5,
  opLT = 6,
  opGE = 7,
  opLE = 8,
  opNOT = 9,
  opAND = 10,
  opOR = 11,
  opField = 13,
  opConst = 14,
  // Arithmetic, written by the enhanced table's own filter lines.
  opSub = 15,
  opAdd = 16,
  opMul = 18,
  opDiv = 19,
};

// Data types of constant nodes (the engine's logical types).
enum ConstType : uint16_t {
  ctString = 1,    // zero-terminated text
  ctDate = 2,      // int32 day number, 1 January of year 1 = day 1
  ctBoolean = 4,   // int16, 0 = false
  ctInt16 = 5,     // int16
  ctInt32 = 6,     // int32
  ctFloat = 7,     // IEEE double
  ctBCD = 8,       // 18-byte packed decimal
  ctTime = 10,     // int32 milliseconds since midnight
  ctDateTime = 11, // double: day number * 86,400,000 + milliseconds
  ctUInt16 = 12,   // uint16
};
} // namespace filter_tree

// ---------------------------------------------------------------------------
// The dataset's fields as the tree writer sees them.

struct TFilterField {
  std::string FieldName; // the field's own name (written into the tree)
  int FieldNo = 0;       // engine field number, from 1
  TFieldType DataType = ftUnknown;
  int Size = 0;                  // Size of the field (string length, BCD decimal places)
  TFieldKind FieldKind = fkData; // calculated and lookup fields cannot be filtered on
};

class TFilterFieldSource {
public:
  virtual ~TFilterFieldSource() = default;
  // Finds a field the way the dataset finds it by name (ignoring case, the
  // first match winning); false when there is none.
  virtual bool FindFilterField(const std::string &name, TFilterField &field) const = 0;
  // Converts a text to the engine's character set of the dataset. The tree
  // writer cuts the result to 255 characters.
  virtual std::string AnsiToNative(const std::string &text) const { return text; }
};

// A fixed list of fields, for callers that have no dataset (tests, tools).
class TFilterFieldList : public TFilterFieldSource {
public:
  TFilterFieldList() = default;
  TFilterFieldList(std::initializer_list<TFilterField> fields) : fields_(fields) {}
  void Add(const TFilterField &field) { fields_.push_back(field); }
  bool FindFilterField(const std::string &name, TFilterField &field) const override;
  const std::vector<TFilterField> &Fields() const { return fields_; }

private:
  std::vector<TFilterField> fields_;
};

// ---------------------------------------------------------------------------
// Parse nodes.

enum TExprNodeKind : uint8_t { enField = 0, enConst = 1, enOperator = 2 };

struct TExprNode {
  TExprNode *FNext = nullptr; // the node created before this one
  TExprNodeKind FKind = enConst;
  bool FPartial = false; // key search: prefix match on the whole constant
  uint32_t FOperator = 0;
  TVariant FData; // field name, literal text or null (key search: any value)
  TExprNode *FLeft = nullptr;
  TExprNode *FRight = nullptr;
};

// ---------------------------------------------------------------------------

class TFilterExpr {
public:
  TFilterExpr(const TFilterFieldSource &fields, TFilterOptions options);
  ~TFilterExpr();
  TFilterExpr(const TFilterExpr &) = delete;
  TFilterExpr &operator=(const TFilterExpr &) = delete;

  // Makes a node and puts it at the head of the chain.
  TExprNode *NewNode(TExprNodeKind kind, uint32_t op, const TVariant &data, TExprNode *left,
                     TExprNode *right);
  // Writes the tree for `root` and returns it; the buffer stays owned here.
  const std::vector<uint8_t> &GetFilterData(TExprNode *root);
  const std::vector<uint8_t> &FilterData() const { return buffer_; }

private:
  int PutExprNode(TExprNode *node);
  int PutComparison(TExprNode *node);
  int PutFieldNode(const TFilterField &field);
  int PutConstNode(uint16_t type, const std::vector<uint8_t> &value);
  int PutConstNodeFor(const TFilterField &field, const TVariant &value);
  int PutNode(uint32_t nodeClass, uint32_t op, int operands);
  void SetNodeOp(int node, int index, int value);
  int PutLiteral(const std::vector<uint8_t> &bytes);
  TFilterField FindDataField(const std::string &name) const;
  std::string NativeText(const std::string &text) const;

  const TFilterFieldSource &fields_;
  TFilterOptions options_;
  TExprNode *nodes_ = nullptr;
  std::vector<uint8_t> buffer_;
  size_t nodeSize_ = 0;
  size_t literalSize_ = 0;
};

enum TExprToken : uint8_t {
  etEnd,
  etSymbol,
  etName,
  etLiteral,
  etLParen,
  etRParen,
  etEQ,
  etNE,
  etGE,
  etLE,
  etGT,
  etLT,
};

class TExprParser {
public:
  // Parses `text` and writes its tree; raises EDatabaseError (or
  // EConvertError for a constant that does not convert) on failure.
  TExprParser(const TFilterFieldSource &fields, const std::string &text, TFilterOptions options);
  TExprParser(const TExprParser &) = delete;
  TExprParser &operator=(const TExprParser &) = delete;

  const std::vector<uint8_t> &FilterData() const { return filterExpr_.FilterData(); }

private:
  void NextToken();
  TExprNode *ParseExpr();
  TExprNode *ParseTerm();
  TExprNode *ParseFactor();
  TExprNode *ParseCompare();
  TExprNode *ParsePrimary();
  bool TokenSymbolIs(const char *keyword) const;
  std::string TokenName() const;

  TFilterExpr filterExpr_;
  std::string text_;
  size_t sourcePtr_ = 0;
  size_t tokenPtr_ = 0;
  std::string tokenString_;
  TExprToken token_ = etEnd;
};

// The tree for a filter text, as the dataset hands it to the engine.
std::vector<uint8_t> BuildFilterTree(const TFilterFieldSource &fields, const std::string &text,
                                     TFilterOptions options);

// A readable dump of a tree: one line per node, indented by depth, with its
// operands and literals decoded. Raises Exception for a malformed tree.
std::string DescribeFilterTree(const std::vector<uint8_t> &tree);
