#include "engine/src/filter_push.h"

#include <cstring>

namespace dbeng {

namespace {

struct TreeReader {
  const uint8_t *tree;
  size_t size;
  size_t nodeStart;
  size_t litStart;

  bool U16(size_t at, uint16_t *v) const {
    if (at + 2 > size) return false;
    std::memcpy(v, tree + at, 2);
    return true;
  }
  bool U32(size_t at, uint32_t *v) const {
    if (at + 4 > size) return false;
    std::memcpy(v, tree + at, 4);
    return true;
  }
  bool Head(uint16_t node, uint32_t *cls, uint32_t *op) const {
    size_t at = nodeStart + node;
    return at < litStart && U32(at, cls) && U32(at + 4, op);
  }
  bool Operand(uint16_t node, int k, uint16_t *v) const {
    return U16(nodeStart + node + 8 + 2u * static_cast<size_t>(k), v);
  }
};

bool IsNumericField(uint16_t type) {
  switch (type) {
  case ENG_FLD_INT16:
  case ENG_FLD_UINT16:
  case ENG_FLD_INT32:
  case ENG_FLD_UINT32:
  case ENG_FLD_DATE:
  case ENG_FLD_TIME:
  case ENG_FLD_FLOAT:
  case ENG_FLD_TIMESTAMP:
    return true;
  default:
    return false;
  }
}

bool FieldOf(const TreeReader &t, uint16_t node, const RecordShape &shape, const EngFldDesc **fd) {
  uint32_t cls, op;
  uint16_t num;
  if (!t.Head(node, &cls, &op) || cls != ENG_NODE_FIELD || !t.Operand(node, 0, &num)) return false;
  *fd = shape.Field(num);
  return *fd != nullptr;
}

bool ConstantOf(const TreeReader &t, uint16_t node, SqlValue *value, uint16_t *ctype) {
  uint32_t cls, op;
  uint16_t type, size, off;
  if (!t.Head(node, &cls, &op) || cls != ENG_NODE_CONST || !t.Operand(node, 0, &type) ||
      !t.Operand(node, 1, &size) || !t.Operand(node, 2, &off))
    return false;
  size_t at = t.litStart + off;
  if (at + size > t.size) return false;
  const uint8_t *p = t.tree + at;
  *ctype = type;
  switch (type) {
  case ENG_CONST_INT16: {
    if (size != 2) return false;
    int16_t v;
    std::memcpy(&v, p, 2);
    *value = SqlValue::Int(v);
    return true;
  }
  case ENG_CONST_UINT16: {
    if (size != 2) return false;
    uint16_t v;
    std::memcpy(&v, p, 2);
    *value = SqlValue::Int(v);
    return true;
  }
  case ENG_CONST_INT32:
  case ENG_CONST_DATE:
  case ENG_CONST_TIME: {
    if (size != 4) return false;
    int32_t v;
    std::memcpy(&v, p, 4);
    *value = SqlValue::Int(v);
    return true;
  }
  case ENG_CONST_FLOAT:
  case ENG_CONST_TIMESTAMP: {
    if (size != 8) return false;
    double v;
    std::memcpy(&v, p, 8);
    *value = SqlValue::Float(v);
    return true;
  }
  case ENG_CONST_ZSTRING: {
    const void *end = std::memchr(p, 0, size);
    if (!end) return false;
    *value = SqlValue::Text(
        std::string_view(reinterpret_cast<const char *>(p), static_cast<const uint8_t *>(end) - p));
    return true;
  }
  default:
    return false;
  }
}

bool Push(const TreeReader &t, uint16_t node, const RecordShape &shape, int depth, std::string *sql,
          std::vector<SqlValue> *params) {
  if (depth > 32) return false;
  uint32_t cls, op;
  if (!t.Head(node, &cls, &op)) return false;
  if (cls == ENG_NODE_UNARY && (op == ENG_FOP_ISBLANK || op == ENG_FOP_NOTBLANK)) {
    uint16_t child;
    const EngFldDesc *fd;
    if (!t.Operand(node, 0, &child) || !FieldOf(t, child, shape, &fd) || fd->type == ENG_FLD_BLOB)
      return false;
    *sql += 'f';
    *sql += std::to_string(fd->fieldNum);
    *sql += op == ENG_FOP_ISBLANK ? " IS NULL" : " IS NOT NULL";
    return true;
  }
  if (cls != ENG_NODE_BINARY) return false;
  uint16_t left, right;
  if (!t.Operand(node, 0, &left) || !t.Operand(node, 1, &right)) return false;
  if (op == ENG_FOP_AND) {
    std::string a, b;
    std::vector<SqlValue> pa, pb;
    if (!Push(t, left, shape, depth + 1, &a, &pa) || !Push(t, right, shape, depth + 1, &b, &pb))
      return false;
    *sql += "(" + a + ") AND (" + b + ")";
    params->insert(params->end(), pa.begin(), pa.end());
    params->insert(params->end(), pb.begin(), pb.end());
    return true;
  }
  const char *sqlOp = op == ENG_FOP_EQ   ? "="
                      : op == ENG_FOP_GT ? ">"
                      : op == ENG_FOP_LT ? "<"
                      : op == ENG_FOP_GE ? ">="
                      : op == ENG_FOP_LE ? "<="
                                         : nullptr;
  if (!sqlOp) return false;
  const EngFldDesc *fd;
  SqlValue value;
  uint16_t ctype;
  if (!FieldOf(t, left, shape, &fd) || !ConstantOf(t, right, &value, &ctype)) return false;
  if (IsNumericField(fd->type)) {
    if (value.kind != SqlValue::kInt && value.kind != SqlValue::kFloat) return false;
  } else if (fd->type == ENG_FLD_ZSTRING) {
    // Exact equality of texts; orderings and case-blind matches are the
    // evaluator's.
    if (ctype != ENG_CONST_ZSTRING || op != ENG_FOP_EQ) return false;
    if (value.s.empty()) return false;
  } else {
    return false;
  }
  *sql += 'f';
  *sql += std::to_string(fd->fieldNum);
  *sql += ' ';
  *sql += sqlOp;
  *sql += " ?";
  params->push_back(value);
  return true;
}

} // namespace

bool RecogniseSimpleFilter(const uint8_t *tree, size_t size, const RecordShape &shape,
                           std::string *sql, std::vector<SqlValue> *params) {
  TreeReader t{tree, size, 0, 0};
  uint16_t version, total, count, nodeStart, litStart;
  if (!t.U16(0, &version) || !t.U16(2, &total) || !t.U16(4, &count) || !t.U16(6, &nodeStart) ||
      !t.U16(8, &litStart))
    return false;
  if (version != ENG_FILTER_VERSION || total > size || nodeStart != ENG_FILTER_HEADER_SIZE ||
      litStart < nodeStart || litStart > total)
    return false;
  t.size = total;
  t.nodeStart = nodeStart;
  t.litStart = litStart;
  sql->clear();
  params->clear();
  return Push(t, 0, shape, 0, sql, params);
}

} // namespace dbeng
