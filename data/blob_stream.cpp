#include "data/blob_stream.h"

#include <cstring>

#include "base/app_hooks.h"
#include "data/dataset.h"
#include "data/db_error.h"
#include "data/field.h"

// The engine keeps texts in UTF-8, the program's own character set, so a
// memo's bytes pass unchanged in both directions; the translate flag only
// records that the field asked for it.

TBlobStream::TBlobStream(TBlobField *field, TBlobStreamMode mode)
    : field_(field), dataset_(field->DataSet()),
      field_no_(static_cast<uint16_t>(field->FieldNo() > 0 ? field->FieldNo() : 0)) {
  if (!dataset_) DatabaseErrorFmt(msg::kFieldNoDataSet, {field->DisplayName()});
  if (dataset_->State() == dsFilter)
    DatabaseErrorFmt("Cannot access field '%s' in a filter", {field->DisplayName()});
  translate_ = field->Transliterate();
  record_ = dataset_->ActiveBuffer();
  if (!field->OpenBlobMark()) {
    if (mode == bmRead) {
      if (!dataset_->ReadCurrentRecordCopy(copy_)) return; // no current record: stays closed
      record_ = copy_.data();
    } else {
      TDataSetState s = dataset_->State();
      if (s != dsEdit && s != dsInsert) DatabaseError(msg::kNotEditing);
      if (!record_) DatabaseError(msg::kNotEditing);
    }
    EngineCheck(EngineOpenBlob(dataset_->Handle(), record_, field_no_,
                               mode == bmRead ? ENG_OPEN_READONLY : ENG_OPEN_READWRITE));
  } else if (!record_) {
    return;
  }
  opened_ = true;
  if (mode == bmWrite) {
    Truncate();
    modified_ = true;
  }
}

TBlobStream::~TBlobStream() {
  if (opened_) {
    if (modified_) field_->SetOpenBlobMark(true);
    if (!field_->OpenBlobMark()) EngineFreeBlob(dataset_->Handle(), record_, field_no_);
  }
  if (modified_) {
    try {
      dataset_->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field_));
    } catch (const std::exception &e) {
      ApplicationHandleException(e);
    }
  }
}

int64_t TBlobStream::Read(void *buffer, int64_t count) {
  if (!opened_ || count <= 0) return 0;
  uint32_t got = 0;
  DBResult rc =
      EngineGetBlob(dataset_->Handle(), record_, field_no_, static_cast<uint32_t>(position_),
                    static_cast<uint32_t>(count), buffer, &got);
  switch (rc) {
  case DBENG_OK:
  case DBENG_ERR_ENDOFBLOB:
    position_ += got;
    return got;
  case DBENG_ERR_BLOBSTALE:
    return got;
  default:
    RaiseEngineError(rc);
  }
}

int64_t TBlobStream::Write(const void *buffer, int64_t count) {
  if (!opened_ || count <= 0) return 0;
  EngineCheck(EnginePutBlob(dataset_->Handle(), record_, field_no_,
                            static_cast<uint32_t>(position_), static_cast<uint32_t>(count),
                            buffer));
  position_ += count;
  modified_ = true;
  return count;
}

int64_t TBlobStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
  case soFromBeginning:
    position_ = offset;
    break;
  case soFromCurrent:
    position_ += offset;
    break;
  case soFromEnd:
    position_ = offset + Size();
    break;
  }
  return position_;
}

int64_t TBlobStream::Size() {
  if (!opened_) return 0;
  uint32_t size = 0;
  EngineCheck(EngineGetBlobSize(dataset_->Handle(), record_, field_no_, &size));
  return size;
}

void TBlobStream::Truncate() {
  if (!opened_) return;
  EngineCheck(
      EngineTruncateBlob(dataset_->Handle(), record_, field_no_, static_cast<uint32_t>(position_)));
  modified_ = true;
}
