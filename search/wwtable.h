// TwwTable: the table of the search and filter tools. Over TTable it adds a
// record-filter event (OnFilter) that the engine calls for every candidate
// record, reading of the candidate's field values inside that event, the
// settings the search dialog reads (NarrowSearch, SyncSQLByRange, ...), and
// the string lists the grids read. TwwDataSource is the data source the
// tools attach to; it behaves exactly as TDataSource.
#pragma once

#include <functional>
#include <string>

#include "base/strings.h"
#include "data/datasource.h"
#include "data/table.h"

class TwwTable;

using TwwTableFilterEvent = std::function<void(TwwTable *table, bool &accept)>;
using TwwInvalidValueEvent = std::function<void(TDataSet *dataset, TField *field)>;

// Options of the record filter, a set.
using TwwOnFilterOptions = unsigned;
constexpr TwwOnFilterOptions ofoEnabled = 1u << 0;
constexpr TwwOnFilterOptions ofoShowHourGlass = 1u << 1;
constexpr TwwOnFilterOptions ofoCancelOnEscape = 1u << 2;

class TwwTable : public TTable {
public:
  explicit TwwTable(TComponent *owner = nullptr);
  ~TwwTable() override;

  TStringList &LookupFields() { return lookup_fields_; }
  TStringList &LookupLinks() { return lookup_links_; }
  TStringList &ControlType() { return control_type_; }
  // Lines of field name, tab, mask, tab, auto-fill flag, tab, second flag.
  TStringList &PictureMasks() { return picture_masks_; }
  bool SyncSQLByRange() const { return sync_sql_by_range_; }
  void SetSyncSQLByRange(bool on) { sync_sql_by_range_ = on; }
  bool NarrowSearch() const { return narrow_search_; }
  void SetNarrowSearch(bool on) { narrow_search_ = on; }
  uint16_t NarrowSearchUpperChar() const { return narrow_search_upper_char_; }
  void SetNarrowSearchUpperChar(uint16_t c) { narrow_search_upper_char_ = c; }
  // Conditions, one per line, that every row shown must meet ("CATEGORY =
  // 100"); installed in the engine at once on an active table (a condition
  // that cannot be installed gives the warning "Fail to set filter").
  const TStringList &wwFilter() const { return ww_filter_; }
  void SetwwFilter(const TStringList &lines);
  // The engine handle of the installed condition filter (0 when none).
  hEngFilter ConditionFilterHandle() const { return condition_filter_; }
  bool ValidateWithMask() const { return validate_with_mask_; }
  void SetValidateWithMask(bool on) { validate_with_mask_ = on; }

  // The record filter. Assigning installs it in the engine at once (and on
  // every later opening) and shows the rows again from the first.
  const TwwTableFilterEvent &OnFilter() const { return on_filter_; }
  void SetOnFilter(TwwTableFilterEvent handler);
  TwwOnFilterOptions OnFilterOptions() const { return on_filter_options_; }
  // Switching ofoEnabled off while a filter is installed shows every row.
  void SetOnFilterOptions(TwwOnFilterOptions options);
  TDataSetNotifyEvent OnFilterEscape;
  TwwInvalidValueEvent OnInvalidValue;

  // Inside OnFilter: the named field's value in the candidate record (null
  // for a blank field). Raises "Field '%s' not found" for an unknown name.
  TVariant GetFilterFieldValue(const std::string &field_name);
  // Inside OnFilter: the candidate record's image (null otherwise), for
  // streams over its memo fields.
  const void *FilterRecord() const { return candidate_; }
  // Whether a record image of this table passes the record filter (true
  // when no filter is installed or enabled).
  bool RecordPassesFilter(const void *record) { return AcceptCandidate(record); }
  // The engine handle of the installed record filter (0 when none).
  hEngFilter RecordFilterHandle() const { return filter_handle_; }
  // Whether the table is a native table (its own picture checks apply).
  bool IsNativeTable() const;
  // The picture mask of a field: a native table's own picture, else the
  // field's PictureMasks line ("" when none); `auto_fill` gets the line's
  // flag.
  std::string PictureMaskFor(const TField *field, bool *auto_fill = nullptr);
  // Checks every field's text against its mask, as before posting; raises
  // "Invalid characters. Field : " and the field's name for the first that
  // fails, after focusing its control and firing OnInvalidValue.
  void ValidatePictures();

protected:
  void DoOnOpenCursor() override;
  void DestroyHandle() override;
  void DoBeforePost() override;

private:
  static int16_t FilterThunk(uint64_t client, const void *record, uint32_t phys_rec_num);
  bool AcceptCandidate(const void *record);
  void RemoveRecordFilter();
  void InstallRecordFilter();
  void ReadNativePictures();
  // Installs the wwFilter condition; false when it could not be.
  bool InstallConditionFilter();
  void RemoveConditionFilter();

  TStringList lookup_fields_, lookup_links_, control_type_, picture_masks_, ww_filter_;
  hEngFilter condition_filter_ = 0;
  bool opening_ = false;
  bool sync_sql_by_range_ = true;
  bool narrow_search_ = false;
  uint16_t narrow_search_upper_char_ = 255;
  bool validate_with_mask_ = true;
  TwwTableFilterEvent on_filter_;
  TwwOnFilterOptions on_filter_options_ = ofoEnabled | ofoShowHourGlass;
  hEngFilter filter_handle_ = 0;
  bool in_filter_ = false;
  const void *candidate_ = nullptr;
  // The table's own pictures (field name, tab, picture), read once.
  TStringList native_pictures_;
  bool native_pictures_read_ = false;
  bool destroying_ = false;
};

class TwwDataSource : public TDataSource {
public:
  explicit TwwDataSource(TComponent *owner = nullptr) : TDataSource(owner) {}
};

inline constexpr const char *kFailToSetFilter = "Fail to set filter";
