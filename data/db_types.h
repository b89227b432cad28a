// Enumerations shared by datasets, data sources, data links and fields.
// Their numeric values are part of the record layout and of the events that
// travel between the dataset layer and the controls, so they are fixed.
#pragma once

#include <cstdint>

#include "base/alignment.h"

enum TDataSetState : uint8_t {
  dsInactive = 0,
  dsBrowse = 1,
  dsEdit = 2,
  dsInsert = 3,
  dsSetKey = 4,
  dsCalcFields = 5,
  dsUpdateNew = 6,
  dsUpdateOld = 7,
  dsFilter = 8,
};

enum TDataEvent : uint8_t {
  deFieldChange = 0,
  deRecordChange = 1,
  deDataSetChange = 2,
  deDataSetScroll = 3,
  deLayoutChange = 4,
  deUpdateRecord = 5,
  deUpdateState = 6,
  deCheckBrowseMode = 7,
  dePropertyChange = 8,
  deFieldListChange = 9,
  deFocusControl = 10,
};

enum TFieldType : uint8_t {
  ftUnknown = 0,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftNativeOle,
  ftXBaseOle,
  ftTypedBinary,
};

// The English name of a field type ("String", "Smallint", ...).
const char *FieldTypeName(TFieldType type);
inline bool IsBlobType(TFieldType t) {
  return t >= ftBlob && t <= ftTypedBinary;
}

enum TFieldKind : uint8_t { fkData = 0, fkCalculated = 1, fkLookup = 2 };

// Filter options: a set in one byte.
enum TFilterOption : uint8_t { foCaseInsensitive = 1, foNoPartialCompare = 2 };
using TFilterOptions = uint8_t;

// Options of Locate.
enum TLocateOption : uint8_t { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = uint8_t;

enum TUpdateMode : uint8_t { upWhereAll, upWhereChanged, upWhereKeyOnly };


// What an error event asks for: let the error travel on, turn it into a
// silent abort, or run the failed step again.
enum TDataAction : int { daFail = 0, daAbort = 1, daRetry = 2 };

// Bookmark flags stored in every record buffer.
enum TBookmarkFlag : uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 255 };

// Date and time as a count of days since 30 December 1899, the fraction
// being the time of day.
using TDateTime = double;
