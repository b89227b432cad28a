#include "engine/src/values.h"

#include "engine/src/collate.h"
#include "engine/src/core.h"
#include "engine/src/record.h"

#include <cstring>

namespace dbeng {

SqlValue SlotToValue(const EngFldDesc &fd, const uint8_t *record) {
  if (record[fd.nullOffset] == 0) return SqlValue::Null();
  FieldView v;
  v.desc = &fd;
  v.data = record + fd.offset;
  v.blank = false;
  switch (fd.type) {
  case ENG_FLD_ZSTRING: {
    std::string_view t = v.Text();
    return t.empty() ? SqlValue::Null() : SqlValue::Text(t);
  }
  case ENG_FLD_FLOAT:
  case ENG_FLD_TIMESTAMP:
    return SqlValue::Float(v.Float());
  case ENG_FLD_BCD:
    return SqlValue::Text(BcdToText(v.data));
  case ENG_FLD_BYTES:
    return SqlValue::Bytes(std::string_view(reinterpret_cast<const char *>(v.data), fd.length));
  case ENG_FLD_VARBYTES: {
    uint16_t len;
    std::memcpy(&len, v.data, 2);
    if (len > fd.length - 2u) len = static_cast<uint16_t>(fd.length - 2u);
    return SqlValue::Bytes(std::string_view(reinterpret_cast<const char *>(v.data + 2), len));
  }
  case ENG_FLD_BLOB: {
    EngBlobRef ref;
    std::memcpy(&ref, v.data, sizeof ref);
    return ref.blobId ? SqlValue::Int(ref.blobId) : SqlValue::Null();
  }
  default:
    return SqlValue::Int(v.Integer());
  }
}

namespace {

template <typename T> void Put(uint8_t *slot, T value) {
  std::memcpy(slot, &value, sizeof value);
}

void StoreInt(const EngFldDesc &fd, int64_t i, uint8_t *slot) {
  switch (fd.type) {
  case ENG_FLD_INT16:
  case ENG_FLD_BOOL:
    Put(slot, static_cast<int16_t>(i));
    break;
  case ENG_FLD_UINT16:
    Put(slot, static_cast<uint16_t>(i));
    break;
  case ENG_FLD_UINT32:
    Put(slot, static_cast<uint32_t>(i));
    break;
  case ENG_FLD_FLOAT:
  case ENG_FLD_TIMESTAMP:
    Put(slot, static_cast<double>(i));
    break;
  default:
    Put(slot, static_cast<int32_t>(i));
    break;
  }
}

} // namespace

void ValueToSlot(const EngFldDesc &fd, const SqlValue &v, uint8_t *record) {
  uint8_t *slot = record + fd.offset;
  std::memset(slot, 0, fd.length);
  record[fd.nullOffset] = 0;
  if (v.IsNull()) return;
  switch (fd.type) {
  case ENG_FLD_ZSTRING: {
    std::string text = v.kind == SqlValue::kText || v.kind == SqlValue::kBytes ? v.s
                       : v.kind == SqlValue::kInt                              ? std::to_string(v.i)
                                                  : std::to_string(v.f);
    size_t n = Utf8Cut(text, fd.length - 1u);
    std::memcpy(slot, text.data(), n);
    if (n == 0) return;
    break;
  }
  case ENG_FLD_FLOAT:
  case ENG_FLD_TIMESTAMP:
    Put(slot, v.kind == SqlValue::kFloat ? v.f : static_cast<double>(v.i));
    break;
  case ENG_FLD_BCD:
    if (!TextToBcd(v.kind == SqlValue::kText
                       ? v.s
                       : std::to_string(v.kind == SqlValue::kInt ? static_cast<double>(v.i) : v.f),
                   fd.units2, slot))
      return;
    break;
  case ENG_FLD_BYTES: {
    size_t n = v.s.size() < fd.length ? v.s.size() : fd.length;
    std::memcpy(slot, v.s.data(), n);
    break;
  }
  case ENG_FLD_VARBYTES: {
    size_t n = v.s.size() < fd.length - 2u ? v.s.size() : fd.length - 2u;
    Put(slot, static_cast<uint16_t>(n));
    std::memcpy(slot + 2, v.s.data(), n);
    break;
  }
  case ENG_FLD_BLOB: {
    EngBlobRef ref{};
    ref.blobId = v.kind == SqlValue::kInt ? v.i : 0;
    if (!ref.blobId) return;
    std::memcpy(slot, &ref, sizeof ref);
    break;
  }
  default:
    StoreInt(fd, v.kind == SqlValue::kFloat ? static_cast<int64_t>(v.f) : v.i, slot);
    break;
  }
  record[fd.nullOffset] = 1;
}

void ColumnToSlot(const EngFldDesc &fd, sqlite3_stmt *stmt, int col, uint8_t *record) {
  int type = sqlite3_column_type(stmt, col);
  if (type == SQLITE_NULL) return; // the caller zeroed the record: blank
  uint8_t *slot = record + fd.offset;
  switch (fd.type) {
  case ENG_FLD_ZSTRING: {
    const char *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt, col));
    size_t n = static_cast<size_t>(sqlite3_column_bytes(stmt, col));
    if (n >= fd.length) n = Utf8Cut(std::string_view(p, n), fd.length - 1u);
    if (n == 0) return;
    std::memcpy(slot, p, n);
    slot[n] = 0;
    break;
  }
  case ENG_FLD_INT16:
  case ENG_FLD_BOOL:
  case ENG_FLD_UINT16:
  case ENG_FLD_INT32:
  case ENG_FLD_UINT32:
  case ENG_FLD_DATE:
  case ENG_FLD_TIME:
    StoreInt(fd, sqlite3_column_int64(stmt, col), slot);
    break;
  case ENG_FLD_FLOAT:
  case ENG_FLD_TIMESTAMP:
    Put(slot, sqlite3_column_double(stmt, col));
    break;
  case ENG_FLD_BLOB: {
    EngBlobRef ref{};
    ref.blobId = sqlite3_column_int64(stmt, col);
    std::memcpy(slot, &ref, sizeof ref);
    break;
  }
  default:
    ValueToSlot(fd, ColumnValue(stmt, col), record);
    return;
  }
  record[fd.nullOffset] = 1;
}

std::string BcdToText(const uint8_t *bcd) {
  int places = bcd[1] & 0x7F;
  bool negative = (bcd[1] & 0x80) != 0;
  std::string digits;
  for (int i = 0; i < 32; ++i) {
    uint8_t b = bcd[2 + i / 2];
    int d = (i % 2 == 0) ? (b >> 4) : (b & 0x0F);
    digits += static_cast<char>('0' + (d > 9 ? 0 : d));
  }
  if (places > 32) places = 32;
  std::string whole = digits.substr(0, static_cast<size_t>(32 - places));
  std::string frac = digits.substr(static_cast<size_t>(32 - places));
  size_t nz = whole.find_first_not_of('0');
  whole = nz == std::string::npos ? "0" : whole.substr(nz);
  std::string out = (negative ? "-" : "") + whole;
  if (!frac.empty()) out += "." + frac;
  return out;
}

bool TextToBcd(const std::string &text, int places, uint8_t *bcd) {
  if (places < 0 || places > 32) return false;
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  std::string whole, frac;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
    whole += text[pos++];
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
      frac += text[pos++];
  }
  if (pos != text.size() || (whole.empty() && frac.empty())) return false;
  frac.resize(static_cast<size_t>(places), '0');
  size_t nz = whole.find_first_not_of('0');
  whole = nz == std::string::npos ? "" : whole.substr(nz);
  if (whole.size() + frac.size() > 32) return false;
  std::string digits = std::string(32 - places - whole.size(), '0') + whole + frac;
  std::memset(bcd, 0, 18);
  bcd[0] = 32;
  bool zero = digits.find_first_not_of('0') == std::string::npos;
  bcd[1] = static_cast<uint8_t>(places | (negative && !zero ? 0x80 : 0));
  for (int i = 0; i < 32; ++i) {
    int d = digits[static_cast<size_t>(i)] - '0';
    bcd[2 + i / 2] |= static_cast<uint8_t>(i % 2 == 0 ? d << 4 : d);
  }
  return true;
}

int CompareValues(const SqlValue &a, const SqlValue &b, bool ignoreCase) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : a.IsNull() ? -1 : 1;
  bool an = a.kind == SqlValue::kInt || a.kind == SqlValue::kFloat;
  bool bn = b.kind == SqlValue::kInt || b.kind == SqlValue::kFloat;
  if (an && bn) {
    if (a.kind == SqlValue::kInt && b.kind == SqlValue::kInt) return a.i < b.i ? -1 : a.i > b.i;
    double x = a.kind == SqlValue::kInt ? static_cast<double>(a.i) : a.f;
    double y = b.kind == SqlValue::kInt ? static_cast<double>(b.i) : b.f;
    return x < y ? -1 : x > y;
  }
  if (an != bn) return an ? -1 : 1;
  if (a.kind == SqlValue::kText && b.kind == SqlValue::kText)
    return ignoreCase ? CompareNoCase(a.s, b.s) : CompareDictionary(a.s, b.s);
  int c = a.s.compare(b.s);
  return c < 0 ? -1 : c > 0;
}

} // namespace dbeng
