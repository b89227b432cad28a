// TwwMemoStream: a read-only stream over one memo (or other blob) field of
// one record, used by record tests that look inside memo texts. It works
// on a private copy of the record: the current record of the field's
// dataset, or a record image handed in (a filter's candidate record).
#pragma once

#include <cstdint>
#include <vector>

#include "base/streams.h"

class TDataSet;
class TField;

class TwwMemoStream : public TStream {
public:
  // With `record` null the dataset's current record is read; a record that
  // cannot be read gives a stream that reads nothing.
  explicit TwwMemoStream(TField *field, const void *record = nullptr);
  ~TwwMemoStream() override;
  TwwMemoStream(const TwwMemoStream &) = delete;
  TwwMemoStream &operator=(const TwwMemoStream &) = delete;

  // Reads in pieces of at most 32,768 bytes; raises the engine error for a
  // failure other than the end of the blob.
  int64_t Read(void *buffer, int64_t count) override;
  // Writes nothing.
  int64_t Write(const void *buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

private:
  TField *field_;
  TDataSet *dataset_;
  std::vector<uint8_t> record_;
  uint16_t field_no_ = 0;
  bool opened_ = false;
  int64_t position_ = 0;
};
