// A stream over one blob field of the current record of an open dataset.
// Reading works on a private copy of the current record, so the dataset's
// row buffers stay untouched; writing needs the dataset in dsEdit or
// dsInsert and works on the active record's buffer, where the blob stays
// open until the record is posted or cancelled.
#pragma once

#include <cstdint>
#include <vector>

#include "base/streams.h"

class TBlobField;
class TDataSet;

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

class TBlobStream : public TStream {
public:
  // Raises "Cannot access field '%s' in a filter" inside a filter callback
  // and "Dataset not in edit or insert mode" when writing while browsing.
  TBlobStream(TBlobField *field, TBlobStreamMode mode);
  ~TBlobStream() override;
  TBlobStream(const TBlobStream &) = delete;
  TBlobStream &operator=(const TBlobStream &) = delete;

  int64_t Read(void *buffer, int64_t count) override;
  int64_t Write(const void *buffer, int64_t count) override;
  // No bounds check: the position may lie beyond the end.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  // Cuts the blob at the current position.
  void Truncate();
  bool IsOpen() const { return opened_; }

private:
  TBlobField *field_;
  TDataSet *dataset_;
  uint8_t *record_ = nullptr;
  std::vector<uint8_t> copy_;
  uint16_t field_no_;
  bool opened_ = false;
  bool modified_ = false;
  bool translate_ = false;
  int64_t position_ = 0;
};
