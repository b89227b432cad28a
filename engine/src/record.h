// Record images: the layout of a table's records (one fixed slot and one
// blank flag per field, see dbeng.h) and the reader of field n that the
// engine's operations and its filter evaluator share.
#pragma once

#include "engine/include/dbeng.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace dbeng {

// The fields of a table and the size of its record image.
struct RecordShape {
  std::vector<EngFldDesc> fields; // fields[i].fieldNum == i + 1
  uint16_t recordSize = 0;

  uint16_t FieldCount() const { return static_cast<uint16_t>(fields.size()); }
  // Field n (from 1), or null when there is none.
  const EngFldDesc *Field(uint16_t fieldNum) const {
    return fieldNum >= 1 && fieldNum <= fields.size() ? &fields[fieldNum - 1] : nullptr;
  }
  // Lays the record out: computes offset, length and nullOffset of every
  // field from its type and units; returns false for a type it cannot store.
  bool Layout();
};

// Field n of a record image as it lies in the buffer.
struct FieldView {
  const EngFldDesc *desc = nullptr;
  const uint8_t *data = nullptr; // the slot: desc->length bytes
  bool blank = true;

  // Typed reads of the slot (valid for the matching logical types).
  std::string_view Text() const; // ZSTRING: up to the terminator
  int64_t Integer() const;       // INT16, UINT16, INT32, UINT32, BOOL, DATE, TIME
  double Float() const;          // FLOAT, TIMESTAMP, and the integer types
  bool IsNumeric() const;        // integer, float, date/time types
};

// Reads field `fieldNum` (from 1) of `record`; false when the shape has no
// such field.
bool ReadField(const RecordShape &shape, uint16_t fieldNum, const uint8_t *record, FieldView *out);

// Width of the value slot for a field of this type and units (0 = not
// storable).
uint16_t SlotWidth(uint16_t type, int16_t units1);

// Writes a value into field `fd` of `record`: `value` holds the slot's bytes
// (a text for ZSTRING, cut without splitting a character), or null for blank.
void WriteSlot(const EngFldDesc &fd, uint8_t *record, const void *value);

} // namespace dbeng
