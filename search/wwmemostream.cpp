#include "search/wwmemostream.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "data/dataset.h"
#include "data/engine_text.h"
#include "data/field.h"

TwwMemoStream::TwwMemoStream(TField *field, const void *record)
    : field_(field), dataset_(field ? field->DataSet() : nullptr) {
  if (!dataset_ || !dataset_->Handle() || field->FieldNo() <= 0) return;
  field_no_ = static_cast<uint16_t>(field->FieldNo());
  if (record) {
    const auto *bytes = static_cast<const uint8_t *>(record);
    record_.assign(bytes, bytes + dataset_->RecordSize());
  } else if (!dataset_->ReadCurrentRecordCopy(record_)) {
    record_.clear();
    return;
  }
  opened_ =
      EngineOpenBlob(dataset_->Handle(), record_.data(), field_no_, ENG_OPEN_READONLY) == DBENG_OK;
}

TwwMemoStream::~TwwMemoStream() {
  if (opened_ && dataset_->Handle()) EngineFreeBlob(dataset_->Handle(), record_.data(), field_no_);
}

int64_t TwwMemoStream::Read(void *buffer, int64_t count) {
  if (!opened_ || count <= 0) return 0;
  auto *out = static_cast<uint8_t *>(buffer);
  auto *blob = dynamic_cast<TBlobField *>(field_);
  const bool translate = blob && blob->Transliterate();
  int64_t total = 0;
  while (total < count) {
    const uint32_t piece = static_cast<uint32_t>(std::min<int64_t>(count - total, 32768));
    uint32_t got = 0;
    DBResult r = EngineGetBlob(dataset_->Handle(), record_.data(), field_no_,
                               static_cast<uint32_t>(position_), piece, out + total, &got);
    if (r != DBENG_OK && r != DBENG_ERR_ENDOFBLOB) RaiseEngineError(r);
    if (translate && got > 0) {
      // Texts in the engine's character set; a translation that keeps the
      // length goes in place (a piece boundary could split a character of a
      // set whose lengths differ, so those pieces are delivered as stored).
      std::string text(reinterpret_cast<char *>(out + total), got);
      std::string converted = NativeToAnsi(dataset_->Locale(), text);
      if (converted.size() == got) std::memcpy(out + total, converted.data(), got);
    }
    total += got;
    position_ += got;
    if (r != DBENG_OK || got == 0) break;
  }
  return total;
}

int64_t TwwMemoStream::Write(const void *, int64_t) {
  return 0;
}

int64_t TwwMemoStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
  case soFromBeginning:
    position_ = offset;
    break;
  case soFromCurrent:
    position_ += offset;
    break;
  case soFromEnd: {
    uint32_t size = 0;
    if (opened_) EngineGetBlobSize(dataset_->Handle(), record_.data(), field_no_, &size);
    position_ = static_cast<int64_t>(size) + offset;
    break;
  }
  }
  position_ = std::max<int64_t>(0, position_);
  return position_;
}
