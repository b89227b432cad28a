#include "search/wwfilter_text.h"

#include <cctype>

#include "base/text.h"
#include "data/db_error.h"

namespace ft = filter_tree;

namespace {

enum TTokenKind { tkEnd, tkLParen, tkRParen, tkCompare, tkAndOr, tkName, tkNumber, tkText };

struct TToken {
  TTokenKind kind = tkEnd;
  std::string text;
  uint32_t op = 0;
};

bool NameStart(unsigned char c) {
  return std::isalpha(c) || c == '_' || c == '`' || c == '@' || c == '!' || c == '#' || c == '$' ||
         c == '*' || c == '+' || c == '-' || c == '/' || c >= 146;
}

bool NameChar(unsigned char c) {
  return NameStart(c) || std::isdigit(c) || c == ' ';
}

struct TMissingField {
  std::string name;
};

class TParser {
public:
  TParser(TFilterExpr &expr, const TFilterFieldSource &fields, const std::string &text)
      : expr_(expr), fields_(fields), s_(text) {}

  TExprNode *Parse() {
    Next(false);
    TExprNode *root = Condition();
    if (tok_.kind != tkEnd) Fail();
    return root;
  }

private:
  [[noreturn]] void Fail() { DatabaseError("Invalid filter condition: " + s_); }

  void Next(bool and_or_may_stand) {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t'))
      ++i_;
    tok_ = TToken();
    if (i_ >= s_.size()) return;
    const char c = s_[i_];
    if (c == '(' || c == ')') {
      tok_.kind = c == '(' ? tkLParen : tkRParen;
      ++i_;
      return;
    }
    if (c == '<' || c == '=' || c == '>') {
      std::string op(1, c);
      if (i_ + 1 < s_.size() && (s_[i_ + 1] == '<' || s_[i_ + 1] == '=' || s_[i_ + 1] == '>'))
        op += s_[i_ + 1];
      i_ += op.size();
      tok_.kind = tkCompare;
      tok_.text = op;
      if (op == "=")
        tok_.op = ft::opEQ;
      else if (op == "<>")
        tok_.op = ft::opNE;
      else if (op == ">")
        tok_.op = ft::opGT;
      else if (op == "<")
        tok_.op = ft::opLT;
      else if (op == ">=")
        tok_.op = ft::opGE;
      else if (op == "<=")
        tok_.op = ft::opLE;
      else
        Fail();
      return;
    }
    if (and_or_may_stand) {
      const std::string rest = AnsiUpperCase(s_.substr(i_, 3));
      if (rest.rfind("AND", 0) == 0 || rest.rfind("OR", 0) == 0) {
        const bool is_and = rest.rfind("AND", 0) == 0;
        tok_.kind = tkAndOr;
        tok_.op = is_and ? ft::opAND : ft::opOR;
        i_ += is_and ? 3 : 2;
        return;
      }
    }
    if (NameStart(static_cast<unsigned char>(c))) {
      size_t start = i_;
      while (i_ < s_.size() && NameChar(static_cast<unsigned char>(s_[i_])))
        ++i_;
      tok_.kind = tkName;
      tok_.text = TrimRight(s_.substr(start, i_ - start));
      return;
    }
    if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      size_t start = i_;
      if (c == '-') ++i_;
      while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_])))
        ++i_;
      if (i_ < s_.size() && s_[i_] == '.') {
        ++i_;
        while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_])))
          ++i_;
      }
      tok_.kind = tkNumber;
      tok_.text = s_.substr(start, i_ - start);
      return;
    }
    if (c == '"') {
      size_t end = s_.find('"', i_ + 1);
      if (end == std::string::npos) Fail();
      tok_.kind = tkText;
      tok_.text = s_.substr(i_ + 1, end - i_ - 1);
      i_ = end + 1;
      return;
    }
    Fail();
  }

  // A single token as an operand: the left one must name a field; the
  // right one of a field is a constant of the field's type.
  struct TOperand {
    TExprNode *node = nullptr;
    bool single = false;
    TToken token;
  };

  TExprNode *AsLeft(const TOperand &o) {
    if (!o.single) return o.node;
    TFilterField field;
    if (o.token.kind != tkName || !fields_.FindFilterField(o.token.text, field))
      throw TMissingField{o.token.text};
    return expr_.NewNode(enField, 0, TVariant(field.FieldName), nullptr, nullptr);
  }

  TExprNode *AsRight(const TOperand &o, bool left_is_field) {
    if (!o.single) return o.node;
    if (left_is_field || o.token.kind != tkName)
      return expr_.NewNode(enConst, 0, TVariant(o.token.text), nullptr, nullptr);
    return expr_.NewNode(enField, 0, TVariant(o.token.text), nullptr, nullptr);
  }

  TExprNode *Binary(uint32_t op, const TOperand &left, const TOperand &right) {
    TExprNode *l = AsLeft(left);
    TExprNode *r = AsRight(right, left.single);
    return expr_.NewNode(enOperator, op, TVariant(), l, r);
  }

  TOperand Primary() {
    TOperand o;
    if (tok_.kind == tkLParen) {
      Next(false);
      o.node = Condition();
      if (tok_.kind != tkRParen) Fail();
      Next(true);
      return o;
    }
    if (tok_.kind != tkName && tok_.kind != tkNumber && tok_.kind != tkText) Fail();
    o.single = true;
    o.token = tok_;
    Next(true);
    return o;
  }

  TOperand Comparison() {
    TOperand left = Primary();
    if (tok_.kind != tkCompare) return left;
    const uint32_t op = tok_.op;
    Next(false);
    TOperand right = Primary();
    TOperand result;
    result.node = Binary(op, left, right);
    return result;
  }

  TExprNode *Condition() {
    TOperand left = Comparison();
    while (tok_.kind == tkAndOr) {
      const uint32_t op = tok_.op;
      Next(false);
      TOperand right = Comparison();
      TOperand joined;
      joined.node = expr_.NewNode(enOperator, op, TVariant(), AsLeft(left), AsLeft(right));
      left = joined;
    }
    return AsLeft(left);
  }

  TFilterExpr &expr_;
  const TFilterFieldSource &fields_;
  std::string s_;
  size_t i_ = 0;
  TToken tok_;
};

} // namespace

std::string JoinwwFilterLines(const TStringList &lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = TrimRight(lines[i]);
    if (line.empty()) continue;
    text += text.empty() ? line : " AND (" + line + ")";
  }
  return text;
}

std::vector<uint8_t> TranslatewwFilter(const TFilterFieldSource &fields, const std::string &text,
                                       std::string &missing_field) {
  missing_field.clear();
  TFilterExpr expr(fields, foNoPartialCompare);
  try {
    TParser parser(expr, fields, text);
    TExprNode *root = parser.Parse();
    return expr.GetFilterData(root);
  } catch (const TMissingField &missing) {
    missing_field = missing.name;
    return {};
  }
}
