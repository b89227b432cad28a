// TTable: the dataset whose cursor is an engine table cursor. It opens a
// table of a database, chooses its index, and adds key search, ranges, a
// master link and a lookup cursor to the dataset behaviour.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/strings.h"
#include "data/database.h"
#include "data/dataset.h"
#include "data/datasource.h"

class TTable;

enum TIndexOption : uint8_t {
  ixPrimary = 1,
  ixUnique = 2,
  ixDescending = 4,
  ixCaseInsensitive = 8,
  ixExpression = 16,
};
using TIndexOptions = uint8_t;

class TIndexDef : public TObject {
public:
  TIndexDef(std::string name, std::string fields, TIndexOptions options, std::string index_file)
      : name_(std::move(name)), fields_(std::move(fields)), options_(options),
        index_file_(std::move(index_file)) {}
  const std::string &Name() const { return name_; }
  // Field names separated by ";", or the expression of an expression index.
  const std::string &Fields() const { return fields_; }
  TIndexOptions Options() const { return options_; }
  // The index file the index lives in (xBase tables).
  const std::string &IndexFile() const { return index_file_; }

private:
  std::string name_;
  std::string fields_;
  TIndexOptions options_;
  std::string index_file_;
};

class TIndexDefs : public TObject {
public:
  explicit TIndexDefs(TTable *table) : table_(table) {}
  int Count() const { return static_cast<int>(items_.size()); }
  const TIndexDef &Items(int index) const { return *items_.at(static_cast<size_t>(index)); }
  // Raises "Duplicate index name '%s'" for a name already present (ignoring case).
  void Add(const std::string &name, const std::string &fields, TIndexOptions options,
           const std::string &index_file = std::string());
  void Clear() { items_.clear(); }
  // Index of the definition of that name ignoring case, or -1.
  int IndexOf(const std::string &name) const;
  // Reads the definitions from the engine if they are out of date.
  void Update();
  bool Updated() const { return updated_; }
  void SetUpdated(bool value) { updated_ = value; }
  // The first index over exactly these fields, else the first one starting
  // with them; descending and expression indexes never qualify, and when
  // case-insensitivity is wanted only case-insensitive ones do. Null if none.
  const TIndexDef *GetIndexForFields(const std::string &fields, bool case_insensitive) const;

private:
  TTable *table_;
  std::vector<std::unique_ptr<TIndexDef>> items_;
  bool updated_ = false;
};

enum TTableType { ttDefault, ttNative, ttXBase, ttASCII };

// The link from a detail table to its master's data source.
class TTableDataLink : public TDataLink {
public:
  explicit TTableDataLink(TTable *table) : table_(table) {}
  const std::string &FieldNames() const { return field_names_; }
  void SetFieldNames(const std::string &names);
  const std::vector<TField *> &Fields() const { return fields_; }

protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void LayoutChanged() override;
  void RecordChanged(TField *field) override;

private:
  void RebuildFields();

  TTable *table_;
  std::string field_names_;
  std::vector<TField *> fields_;
};

class TTable : public TDBDataSet {
public:
  explicit TTable(TComponent *owner = nullptr);
  ~TTable() override;

  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool value);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  const std::string &TableName() const { return table_name_; }
  void SetTableName(const std::string &value);
  TTableType TableType() const { return table_type_; }
  void SetTableType(TTableType value);
  // IndexName and IndexFieldNames share one text; reading the one not set
  // gives "".
  std::string IndexName() const { return field_names_index_ ? std::string() : index_text_; }
  void SetIndexName(const std::string &value) { SetIndex(value, false); }
  std::string IndexFieldNames() const { return field_names_index_ ? index_text_ : std::string(); }
  void SetIndexFieldNames(const std::string &value) { SetIndex(value, true); }
  const TStringList &IndexFiles() const { return index_files_; }
  void AddIndexFile(const std::string &name);
  void RemoveIndexFile(const std::string &name);
  void ClearIndexFiles();
  TDataSource *MasterSource() const { return master_link_.DataSource(); }
  void SetMasterSource(TDataSource *source);
  const std::string &MasterFields() const { return master_link_.FieldNames(); }
  void SetMasterFields(const std::string &value) { master_link_.SetFieldNames(value); }

  TIndexDefs *IndexDefs() { return &index_defs_; }
  // Reads the index definitions from the engine when they are out of date.
  void UpdateIndexDefs();

  // Key search. The values go to the index fields in order.
  bool FindKey(const std::vector<TVariant> &values);
  void FindNearest(const std::vector<TVariant> &values);
  bool GotoKey();
  void GotoNearest();
  void SetKey();
  void EditKey();
  // The exclusive flag of the key buffer being edited (dsSetKey).
  bool KeyExclusive() const;
  void SetKeyExclusive(bool value);

  // Ranges.
  void SetRangeStart();
  void SetRangeEnd();
  void EditRangeStart();
  void EditRangeEnd();
  void ApplyRange();
  void SetRange(const std::vector<TVariant> &start_values, const std::vector<TVariant> &end_values);
  void CancelRange();

  // Positions this table on the current record of another table open on the
  // same database and table name.
  void GotoCurrent(TTable *table);

  TDatabase *Database() const { return connection_.Database(); }
  TSession *DBSession() const;
  hEngDb DBHandle() const;
  // Engine calls a range makes, for tests: how often EngineSetRange ran.
  int RangeCallCount() const { return range_calls_; }

  void SetDBFlag(int flag, bool value) override;
  void DataEvent(TDataEvent event, intptr_t info) override;

protected:
  hEngCursor CreateHandle() override;
  void DestroyHandle() override;
  void DestroyLookupCursor() override;
  void DoOnOpenCursor() override;
  void DoAfterOpen() override;
  void DoOnNewRecord() override;
  TDataSource *GetDataSource() const override { return master_link_.DataSource(); }
  hEngCursor GetLookupCursor(const std::string &key_fields, bool case_insensitive) override;
  void InitFieldDefs() override;
  bool IsSQLBased() const override;

private:
  friend class TTableDataLink;
  friend class TIndexDefs;

  bool IsXBase() const;
  std::string DriverTypeName() const;
  hEngCursor OpenTableCursor(const std::string &index_name, const std::string &index_tag);
  void GetIndexParams(const std::string &text, bool field_names, std::string &name,
                      std::string &tag);
  void SwitchToIndex(const std::string &name, const std::string &tag);
  void SetIndex(const std::string &value, bool field_names);
  void SetKeyFields(TKeyIndex index, const std::vector<TVariant> &values);
  void SetLinkRanges(const std::vector<TField *> &master_fields);
  void ApplyRangeNoMove();
  void CheckMasterRange();
  void MasterChanged();
  void MasterDisabled();
  void ReadIndexDefs();
  hEngLd TextLocale() const { return connection_.Locale(); }

  TDBConnection connection_;
  bool exclusive_ = false;
  bool read_only_ = false;
  std::string table_name_;
  TTableType table_type_ = ttDefault;
  std::string index_text_;
  bool field_names_index_ = false;
  TStringList index_files_;
  TIndexDefs index_defs_;
  TTableDataLink master_link_;
  // The index to switch to once the table is open (index files of xBase
  // tables that the engine cannot open the table on).
  std::string pending_index_name_;
  std::string pending_index_tag_;
  bool pending_switch_ = false;
  hEngCursor lookup_cursor_ = 0;
  std::string lookup_key_fields_;
  bool lookup_case_insensitive_ = false;
  int range_calls_ = 0;
};

namespace msg {
inline constexpr const char *kNoTableName = "Missing TableName property";
inline constexpr const char *kNoFieldIndexes = "Table '%s' has no index for fields '%s'";
inline constexpr const char *kIndexNotFound = "Index does not exist. Index: %s";
inline constexpr const char *kDuplicateIndexName = "Duplicate index name '%s'";
inline constexpr const char *kTableMismatch = "Source and destination tables are incompatible";
inline constexpr const char *kNoIndexActive = "No index currently active";
inline constexpr const char *kExprIndexKeys =
    "Cannot use array of Field values with Expression Indices";
} // namespace msg
