#include "search/wwpicture.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace {

const std::u32string kSpecial = U"#?&~!@*[]{},";

struct Node;
using Seq = std::vector<Node>;
using Alts = std::vector<Seq>;

struct Node {
  enum Kind { kClass, kLiteral, kOptional, kGroup, kRepeat } kind = kLiteral;
  char32_t ch = 0;             // the class character or the literal
  int count = -1;              // repetitions; -1: as often as it matches
  Alts alts;                   // optional part or group
  std::shared_ptr<Node> child; // the repeated item
  size_t mask_pos = 0;         // where the item starts in the mask
};

class Parser {
public:
  explicit Parser(const std::u32string &mask) : m_(mask) {}
  bool Parse(Alts &out) {
    out = ParseAlts(0);
    return ok_ && i_ == m_.size();
  }

private:
  Alts ParseAlts(char32_t closer) {
    Alts alts(1);
    while (ok_ && i_ < m_.size()) {
      char32_t c = m_[i_];
      if (closer != 0 && c == closer) {
        ++i_;
        return alts;
      }
      if (c == U']' || c == U'}') {
        ok_ = false;
        return alts;
      }
      if (c == U',') {
        ++i_;
        alts.emplace_back();
        continue;
      }
      alts.back().push_back(ParseItem());
    }
    if (closer != 0) ok_ = false;
    return alts;
  }
  Node ParseItem() {
    Node n;
    n.mask_pos = i_;
    char32_t c = m_[i_++];
    switch (c) {
    case U';':
      if (i_ >= m_.size()) {
        ok_ = false;
        return n;
      }
      n.kind = Node::kLiteral;
      n.ch = m_[i_++];
      return n;
    case U'*': {
      n.kind = Node::kRepeat;
      int count = -1;
      while (i_ < m_.size() && m_[i_] >= U'0' && m_[i_] <= U'9') {
        count = (count < 0 ? 0 : count * 10) + static_cast<int>(m_[i_] - U'0');
        if (count > 100000) count = 100000;
        ++i_;
      }
      n.count = count;
      if (i_ >= m_.size() || m_[i_] == U',' || m_[i_] == U']' || m_[i_] == U'}') {
        ok_ = false;
        return n;
      }
      n.child = std::make_shared<Node>(ParseItem());
      return n;
    }
    case U'[':
      n.kind = Node::kOptional;
      n.alts = ParseAlts(U']');
      return n;
    case U'{':
      n.kind = Node::kGroup;
      n.alts = ParseAlts(U'}');
      return n;
    case U'#':
    case U'?':
    case U'&':
    case U'~':
    case U'!':
    case U'@':
      n.kind = Node::kClass;
      n.ch = c;
      return n;
    default:
      n.kind = Node::kLiteral;
      n.ch = c;
      return n;
    }
  }

  const std::u32string &m_;
  size_t i_ = 0;
  bool ok_ = true;
};

char32_t Upper(char32_t c) {
  return QString::fromUcs4(&c, 1).toUpper().toUcs4().value(0, c);
}
char32_t Lower(char32_t c) {
  return QString::fromUcs4(&c, 1).toLower().toUcs4().value(0, c);
}
bool IsLetter(char32_t c) {
  return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || c > 128;
}

struct Outcome {
  enum Status { kComplete, kIncomplete, kError } status = kError;
  size_t pos = 0;                         // how far the input was matched
  std::u32string text;                    // the converted input (complete or incomplete)
  size_t fill_pos = std::u32string::npos; // where the mask wanted more
};

// Complete beats incomplete beats error; among equals the one that got
// further, and among those the first.
const Outcome &Better(const Outcome &a, const Outcome &b) {
  if (a.status != b.status) return a.status < b.status ? a : b;
  if (a.status == Outcome::kComplete) return a;
  return b.pos > a.pos ? b : a;
}

using Cont = std::function<Outcome(size_t pos, const std::u32string &out)>;

class Matcher {
public:
  explicit Matcher(const std::u32string &input) : in_(input) {}

  Outcome Alternatives(const Alts &alts, size_t pos, const std::u32string &out, const Cont &k) {
    Outcome best;
    best.pos = pos;
    bool have = false;
    for (const Seq &seq : alts) {
      Outcome o = Sequence(seq, 0, pos, out, k);
      if (o.status == Outcome::kComplete) return o;
      best = have ? Better(best, o) : o;
      have = true;
    }
    return best;
  }

  Outcome Sequence(const Seq &seq, size_t i, size_t pos, const std::u32string &out, const Cont &k) {
    if (i == seq.size()) return k(pos, out);
    return Item(seq[i], pos, out, [&, i](size_t p, const std::u32string &o) {
      return Sequence(seq, i + 1, p, o, k);
    });
  }

  Outcome Item(const Node &n, size_t pos, const std::u32string &out, const Cont &k) {
    switch (n.kind) {
    case Node::kClass:
    case Node::kLiteral: {
      if (pos >= in_.size()) {
        Outcome o;
        o.status = Outcome::kIncomplete;
        o.pos = pos;
        o.text = out;
        o.fill_pos = n.mask_pos;
        return o;
      }
      char32_t c = in_[pos];
      char32_t stored = 0;
      if (n.kind == Node::kLiteral) {
        if (Upper(c) == Upper(n.ch) || (c == U' ' && pos + 1 == in_.size())) stored = n.ch;
      } else {
        switch (n.ch) {
        case U'#':
          if (c >= U'0' && c <= U'9') stored = c;
          break;
        case U'?':
          if (IsLetter(c)) stored = c;
          break;
        case U'&':
          if (IsLetter(c)) stored = Upper(c);
          break;
        case U'~':
          if (IsLetter(c)) stored = Lower(c);
          break;
        case U'!':
          stored = Upper(c);
          break;
        default:
          stored = c;
          break;
        }
      }
      if (stored == 0) {
        Outcome o;
        o.pos = pos;
        return o;
      }
      return k(pos + 1, out + stored);
    }
    case Node::kGroup:
      return Alternatives(n.alts, pos, out, k);
    case Node::kOptional: {
      // Nothing typed for it yet: it is left out.
      if (pos >= in_.size()) return k(pos, out);
      Outcome taken = Alternatives(n.alts, pos, out, k);
      if (taken.status == Outcome::kComplete) return taken;
      return Better(taken, k(pos, out));
    }
    case Node::kRepeat:
      if (n.count >= 0) return Counted(*n.child, n.count, pos, out, k);
      return Open(*n.child, pos, out, k);
    }
    return Outcome{};
  }

  Outcome Counted(const Node &child, int left, size_t pos, const std::u32string &out,
                  const Cont &k) {
    if (left == 0) return k(pos, out);
    return Item(child, pos, out, [&, left](size_t p, const std::u32string &o) {
      return Counted(child, left - 1, p, o, k);
    });
  }

  Outcome Open(const Node &child, size_t pos, const std::u32string &out, const Cont &k) {
    if (pos >= in_.size()) return k(pos, out);
    // As often as it matches: one more first, then stop here.
    Outcome more = Item(child, pos, out, [&, pos](size_t p, const std::u32string &o) {
      if (p == pos) return Outcome{Outcome::kError, p, {}, std::u32string::npos};
      return Open(child, p, o, k);
    });
    if (more.status == Outcome::kComplete) return more;
    return Better(more, k(pos, out));
  }

private:
  const std::u32string &in_;
};

std::u32string ToU32(const std::string &s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size())).toStdU32String();
}
std::string ToUtf8(const std::u32string &s) {
  return QString::fromStdU32String(s).toUtf8().toStdString();
}

TPicResult Run(const Alts &alts, const std::u32string &mask, std::u32string &text, bool auto_fill) {
  Matcher matcher(text);
  const size_t n = text.size();
  Cont end = [n](size_t pos, const std::u32string &out) {
    Outcome o;
    o.pos = pos;
    if (pos == n) {
      o.status = Outcome::kComplete;
      o.text = out;
    }
    return o;
  };
  Outcome o = matcher.Alternatives(alts, 0, std::u32string(), end);
  if (o.status == Outcome::kComplete) {
    text = o.text;
    return prComplete;
  }
  if (o.status == Outcome::kError) return prError;
  text = o.text;
  if (auto_fill && o.fill_pos < mask.size()) {
    std::u32string fill;
    for (size_t i = o.fill_pos; i < mask.size();) {
      char32_t c = mask[i];
      if (c == U';') {
        if (i + 1 < mask.size()) fill += mask[i + 1];
        i += 2;
        continue;
      }
      if (kSpecial.find(c) != std::u32string::npos) break;
      fill += c;
      ++i;
    }
    if (!fill.empty()) {
      text += fill;
      return Run(alts, mask, text, false);
    }
  }
  return prIncomplete;
}

} // namespace

bool TwwPictureValidator::SyntaxOK(const std::string &picture) {
  const std::u32string m = ToU32(picture);
  if (m.empty()) return false;
  int brackets = 0, braces = 0;
  bool last_literal = false;
  for (size_t i = 0; i < m.size(); ++i) {
    last_literal = false;
    if (m[i] == U';') {
      if (i + 1 >= m.size()) return false;
      ++i;
      last_literal = true;
      continue;
    }
    if (m[i] == U'[') ++brackets;
    if (m[i] == U']') --brackets;
    if (m[i] == U'{') ++braces;
    if (m[i] == U'}') --braces;
  }
  if (m.back() == U'*' && !last_literal) return false;
  if (brackets != 0 || braces != 0) return false;
  Alts alts;
  return Parser(m).Parse(alts);
}

TPicResult TwwPictureValidator::MatchPicture(std::string &text, bool auto_fill) {
  if (!SyntaxOK(picture_)) return prSyntax;
  if (text.empty()) return prEmpty;
  const std::u32string mask = ToU32(picture_);
  Alts alts;
  Parser(mask).Parse(alts);
  std::u32string input = ToU32(text);
  TPicResult r = Run(alts, mask, input, auto_fill);
  if (r != prError) text = ToUtf8(input);
  return r;
}

bool TwwPictureValidator::CheckText(const std::string &text) {
  if (picture_.empty()) return true;
  std::string copy = text;
  TPicResult r = MatchPicture(copy, false);
  return r == prComplete || r == prEmpty;
}

bool TwwPictureValidator::CheckInput(std::string &text, bool suppress_fill) {
  if (picture_.empty()) return true;
  return MatchPicture(text, AutoFill() && !suppress_fill) != prError;
}
