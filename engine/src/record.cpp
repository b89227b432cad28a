#include "engine/src/record.h"

#include "engine/src/core.h"

#include <cstring>

namespace dbeng {

uint16_t SlotWidth(uint16_t type, int16_t units1) {
  switch (type) {
  case ENG_FLD_ZSTRING:
    return units1 >= 1 ? static_cast<uint16_t>(units1 + 1) : 0;
  case ENG_FLD_DATE:
  case ENG_FLD_TIME:
  case ENG_FLD_INT32:
  case ENG_FLD_UINT32:
    return 4;
  case ENG_FLD_BOOL:
  case ENG_FLD_INT16:
  case ENG_FLD_UINT16:
    return 2;
  case ENG_FLD_FLOAT:
  case ENG_FLD_TIMESTAMP:
    return 8;
  case ENG_FLD_BCD:
    return 18;
  case ENG_FLD_BYTES:
    return units1 >= 1 ? static_cast<uint16_t>(units1) : 0;
  case ENG_FLD_VARBYTES:
    return units1 >= 1 ? static_cast<uint16_t>(units1 + 2) : 0;
  case ENG_FLD_BLOB:
    return static_cast<uint16_t>(units1 > 16 ? units1 : 16);
  default:
    return 0;
  }
}

bool RecordShape::Layout() {
  uint32_t offset = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    EngFldDesc &fd = fields[i];
    fd.fieldNum = static_cast<uint16_t>(i + 1);
    uint16_t width = SlotWidth(fd.type, fd.units1);
    if (width == 0) return false;
    fd.nullOffset = static_cast<uint16_t>(offset);
    fd.offset = static_cast<uint16_t>(offset + 1);
    fd.length = width;
    offset += 1u + width;
    if (offset > 0xFFF0) return false;
  }
  recordSize = static_cast<uint16_t>(offset);
  return true;
}

bool ReadField(const RecordShape &shape, uint16_t fieldNum, const uint8_t *record, FieldView *out) {
  const EngFldDesc *fd = shape.Field(fieldNum);
  if (!fd) return false;
  out->desc = fd;
  out->data = record + fd->offset;
  out->blank = record[fd->nullOffset] == 0;
  return true;
}

std::string_view FieldView::Text() const {
  if (blank) return {};
  const char *p = reinterpret_cast<const char *>(data);
  size_t max = desc->length;
  const void *end = std::memchr(p, 0, max);
  return std::string_view(p, end ? static_cast<const char *>(end) - p : max);
}

int64_t FieldView::Integer() const {
  switch (desc->type) {
  case ENG_FLD_INT16:
  case ENG_FLD_BOOL: {
    int16_t v;
    std::memcpy(&v, data, 2);
    return v;
  }
  case ENG_FLD_UINT16: {
    uint16_t v;
    std::memcpy(&v, data, 2);
    return v;
  }
  case ENG_FLD_INT32:
  case ENG_FLD_DATE:
  case ENG_FLD_TIME: {
    int32_t v;
    std::memcpy(&v, data, 4);
    return v;
  }
  case ENG_FLD_UINT32: {
    uint32_t v;
    std::memcpy(&v, data, 4);
    return v;
  }
  case ENG_FLD_FLOAT:
  case ENG_FLD_TIMESTAMP: {
    double v;
    std::memcpy(&v, data, 8);
    return static_cast<int64_t>(v);
  }
  default:
    return 0;
  }
}

double FieldView::Float() const {
  if (desc->type == ENG_FLD_FLOAT || desc->type == ENG_FLD_TIMESTAMP) {
    double v;
    std::memcpy(&v, data, 8);
    return v;
  }
  return static_cast<double>(Integer());
}

bool FieldView::IsNumeric() const {
  switch (desc->type) {
  case ENG_FLD_INT16:
  case ENG_FLD_UINT16:
  case ENG_FLD_INT32:
  case ENG_FLD_UINT32:
  case ENG_FLD_BOOL:
  case ENG_FLD_DATE:
  case ENG_FLD_TIME:
  case ENG_FLD_FLOAT:
  case ENG_FLD_TIMESTAMP:
    return true;
  default:
    return false;
  }
}

void WriteSlot(const EngFldDesc &fd, uint8_t *record, const void *value) {
  uint8_t *slot = record + fd.offset;
  std::memset(slot, 0, fd.length);
  if (!value) {
    record[fd.nullOffset] = 0;
    return;
  }
  if (fd.type == ENG_FLD_ZSTRING) {
    const char *text = static_cast<const char *>(value);
    // The source may be a buffer of the field's own width without terminator.
    size_t len = strnlen(text, 0xFFFF);
    size_t n = Utf8Cut(std::string_view(text, len), fd.length - 1u);
    std::memcpy(slot, text, n);
    // An empty text is no value.
    record[fd.nullOffset] = n > 0 ? 1 : 0;
    return;
  }
  std::memcpy(slot, value, fd.length);
  if (fd.type == ENG_FLD_VARBYTES) {
    uint16_t len;
    std::memcpy(&len, slot, 2);
    if (len > fd.length - 2u) {
      len = static_cast<uint16_t>(fd.length - 2u);
      std::memcpy(slot, &len, 2);
    }
  }
  record[fd.nullOffset] = 1;
}

} // namespace dbeng
