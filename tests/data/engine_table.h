// Test support: real engine tables in a temporary folder, and a dataset
// that opens its cursor on one of them.
#pragma once

#include <string>
#include <vector>

#include "data/dataset.h"
#include "data/datasource.h"
#include "engine/include/dbeng.h"

// A field of a table to create: name, engine logical type, subtype, units.
struct TestFieldSpec {
  std::string name;
  uint16_t type;
  uint16_t sub_type = 0;
  int16_t units1 = 0;
  int16_t units2 = 0;
};

struct TestIndexSpec {
  std::string name; // "" for the primary index
  std::vector<uint16_t> fields;
  bool primary = false;
  bool unique = false;
  bool case_insensitive = false;
};

// The engine, started once per test program, and one STANDARD database on
// a fresh temporary folder per instance.
class TestDatabase {
public:
  TestDatabase();
  ~TestDatabase();
  hEngDb Handle() const { return db_; }
  const std::string &Folder() const { return folder_; }

  // Creates a table; `required` lists field numbers that may not be blank.
  void CreateTable(const std::string &name, const std::vector<TestFieldSpec> &fields,
                   const std::vector<TestIndexSpec> &indexes = {},
                   const std::vector<uint16_t> &required = {});
  // Opens a cursor on a table (in the order of `index`, "" primary).
  hEngCursor OpenCursor(const std::string &table, const std::string &index = "",
                        bool read_only = false);

private:
  std::string folder_;
  hEngDb db_ = 0;
};

// The catalogue's shape: CATEGORY (int16), TITLE (text 24), KEYWORDS (text
// 240), WAV (binary blob), primary index on TITLE, secondary indexes on
// KEYWORDS (case-insensitive) and CATEGORY. Rows are added with AddRow.
void CreateCatalogue(TestDatabase &db, const std::string &table = "sounds.db");
void AddRow(hEngCursor cursor, int category, const std::string &title, const std::string &keywords,
            const std::string &wav = "");

// A dataset over an engine table of a TestDatabase.
class TTestDataSet : public TDBDataSet {
public:
  TTestDataSet(TestDatabase &db, const std::string &table, const std::string &index = "",
               TComponent *owner = nullptr)
      : TDBDataSet(owner), db_(db), table_(table), index_(index) {}
  ~TTestDataSet() override { Destroying(); }
  void SetIndexName(const std::string &index) { index_ = index; }
  void SetReadOnly(bool v) { read_only_ = v; }
  using TDataSet::KeyBuffer;
  using TDataSet::PostKeyBuffer;
  using TDataSet::SetKeyBuffer;

protected:
  hEngCursor CreateHandle() override { return db_.OpenCursor(table_, index_, read_only_); }

private:
  TestDatabase &db_;
  std::string table_;
  std::string index_;
  bool read_only_ = false;
};

// A link that writes down every notification it gets.
class RecordingLink : public TDataLink {
public:
  explicit RecordingLink(std::string name, std::vector<std::string> *log = nullptr)
      : name_(std::move(name)), log_(log ? log : &own_) {}
  std::vector<std::string> &Log() { return *log_; }
  std::vector<int> scrolls;

protected:
  void ActiveChanged() override { Note("active"); }
  void CheckBrowseMode() override { Note("checkbrowse"); }
  void DataSetChanged() override { Note("changed"); }
  void DataSetScrolled(int distance) override {
    scrolls.push_back(distance);
    Note("scrolled " + std::to_string(distance));
  }
  void EditingChanged() override { Note("editing"); }
  void LayoutChanged() override { Note("layout"); }
  void RecordChanged(TField *field) override { Note(field ? "record field" : "record"); }
  void UpdateData() override { Note("update"); }

private:
  void Note(const std::string &what) { log_->push_back(name_ + ":" + what); }
  std::string name_;
  std::vector<std::string> own_;
  std::vector<std::string> *log_;
};
