// Writes filter trees in the engine's format (dbeng.h) for the tests: the
// header, then nodes (root first, parents before their operands), then the
// literal area.
#pragma once

#include "engine/include/dbeng.h"

#include <cstring>
#include <string>
#include <vector>

namespace enginetest {

class TreeBuilder {
public:
  // Each Add* returns the node's offset in the node area.
  uint16_t Binary(uint32_t op) { return Node(ENG_NODE_BINARY, op, 2); }
  uint16_t Unary(uint32_t op) { return Node(ENG_NODE_UNARY, op, 1); }
  uint16_t Compare(uint32_t op, uint16_t caseIns, uint16_t partLen) {
    uint16_t n = Node(ENG_NODE_COMPARE, op, 4);
    SetOperand(n, 0, caseIns);
    SetOperand(n, 1, partLen);
    return n;
  }
  uint16_t FieldNode(uint16_t fieldNum, const std::string &name) {
    uint16_t n = Node(ENG_NODE_FIELD, ENG_FOP_FIELD, 2);
    SetOperand(n, 0, fieldNum);
    SetOperand(n, 1, Literal(name.c_str(), name.size() + 1));
    return n;
  }
  uint16_t Int16(int16_t v) { return Const(ENG_CONST_INT16, &v, 2); }
  uint16_t Int32(int32_t v) { return Const(ENG_CONST_INT32, &v, 4); }
  uint16_t Float(double v) { return Const(ENG_CONST_FLOAT, &v, 8); }
  uint16_t Text(const std::string &s) { return Const(ENG_CONST_ZSTRING, s.c_str(), s.size() + 1); }
  void SetOperand(uint16_t node, int k, uint16_t value) {
    std::memcpy(nodes_.data() + node + 8 + 2 * k, &value, 2);
  }

  std::vector<uint8_t> Finish() const {
    std::vector<uint8_t> out(ENG_FILTER_HEADER_SIZE);
    uint16_t header[5] = {ENG_FILTER_VERSION,
                          static_cast<uint16_t>(10 + nodes_.size() + literals_.size()),
                          ENG_FILTER_NODECOUNT_ANY, 10, static_cast<uint16_t>(10 + nodes_.size())};
    std::memcpy(out.data(), header, 10);
    out.insert(out.end(), nodes_.begin(), nodes_.end());
    out.insert(out.end(), literals_.begin(), literals_.end());
    return out;
  }

  // FIELD op constant, the commonest tree.
  static std::vector<uint8_t> Comparison(uint32_t op, uint16_t field, const std::string &name,
                                         int16_t value) {
    TreeBuilder t;
    uint16_t root = t.Binary(op);
    t.SetOperand(root, 0, t.FieldNode(field, name));
    t.SetOperand(root, 1, t.Int16(value));
    return t.Finish();
  }

private:
  uint16_t Node(uint32_t cls, uint32_t op, int operands) {
    uint16_t at = static_cast<uint16_t>(nodes_.size());
    nodes_.resize(nodes_.size() + 8 + 2 * operands, 0);
    std::memcpy(nodes_.data() + at, &cls, 4);
    std::memcpy(nodes_.data() + at + 4, &op, 4);
    return at;
  }
  uint16_t Literal(const void *p, size_t n) {
    uint16_t at = static_cast<uint16_t>(literals_.size());
    const uint8_t *b = static_cast<const uint8_t *>(p);
    literals_.insert(literals_.end(), b, b + n);
    return at;
  }
  uint16_t Const(uint16_t type, const void *p, size_t n) {
    uint16_t node = Node(ENG_NODE_CONST, ENG_FOP_CONST, 3);
    SetOperand(node, 0, type);
    SetOperand(node, 1, static_cast<uint16_t>(n));
    SetOperand(node, 2, Literal(p, n));
    return node;
  }

  std::vector<uint8_t> nodes_;
  std::vector<uint8_t> literals_;
};

} // namespace enginetest
