#include "tools/sfxcat/catalogue.h"

#include "base/format.h"
#include "data/db_engine_error.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace sfxcat {

namespace {

// Copies a text into a fixed engine field, cut to fit without splitting a
// character.
template <size_t N> void CopyText(char (&dst)[N], const std::string &src) {
  size_t n = std::min(src.size(), N - 1);
  while (n > 0 && n < src.size() && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80)
    --n;
  std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
}

std::string BinderText(DBResult code) {
  switch (code) {
  case DBENG_ERR_LIBNOTFOUND:
    return "the table engine libdbeng.so was not found (looked beside sfxcat, in $DBENG_DLLPATH "
           "and in the system's library folders)";
  case DBENG_ERR_LIBNOTLOADED:
  case DBENG_ERR_LAZYLIBNOTLOADED:
    return "the table engine libdbeng.so could not be loaded";
  case DBENG_ERR_NOTEXPORTED:
    return "the table engine does not offer this operation";
  case DBENG_ERR_INITNOTEXPORTED:
    return "libdbeng.so is not a table engine (no start entry)";
  default:
    return "";
  }
}

bool IsStorageFailure(DBResult code) {
  return code == DBENG_ERR_DISKFULL || code == DBENG_ERR_IO || code == DBENG_ERR_SYSTEM;
}

} // namespace

std::string EngineErrorText(DBResult code) {
  std::string binder = BinderText(code);
  if (!binder.empty()) return binder;
  // The error stack describes the last failed operation, so read it before
  // asking for any text.
  std::vector<std::string> causes;
  for (uint16_t entry = 1; entry <= 8; ++entry) {
    DBResult c = 0;
    int32_t native = 0;
    char msg[ENG_MAXMSGLEN + 1] = {};
    if (EngineGetErrorEntry(entry, &c, &native, msg) != DBENG_OK || c == 0) break;
    if (msg[0]) causes.emplace_back(msg);
  }
  char text[ENG_MAXMSGLEN + 1] = {};
  std::string result;
  if (EngineGetErrorString(code, text) == DBENG_OK && text[0])
    result = text;
  else {
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "engine error $%.4x", code);
    result = fallback;
  }
  for (const std::string &cause : causes)
    if (result.find(cause) == std::string::npos) result += ": " + cause;
  return result;
}

void Check(DBResult code, const std::string &doing) {
  if (code != DBENG_OK) throw EEngineError(code, doing + ": " + EngineErrorText(code));
}

TableLocation TableLocation::FromArgs(const ParsedArgs &args) {
  TableLocation where;
  if (args.Has("dir")) {
    where.dir = args.Get("dir");
    if (where.dir.empty()) throw EUsageError("--dir needs a folder");
    std::error_code ec;
    auto absolute = std::filesystem::absolute(where.dir, ec);
    if (!ec) where.dir = absolute.lexically_normal().string();
    if (where.dir.size() > 1 && where.dir.back() == '/') where.dir.pop_back();
    if (where.dir.size() > ENG_MAXPATHLEN) throw EUsageError("the --dir path is too long");
  } else {
    where.alias = args.Get("alias", "sound");
    if (where.alias.empty() || where.alias.size() > ENG_MAXNAMELEN)
      throw EUsageError("--alias needs a name of 1 to 31 characters");
  }
  where.table = args.Get("table", "bonussfx.db");
  if (where.table.empty() || where.table.size() > ENG_MAXPATHLEN)
    throw EUsageError("--table needs a file name of at most 259 characters");
  if (args.Has("password")) {
    where.password = args.Get("password");
    where.has_password = true;
  } else if (const char *env = std::getenv("SFXCAT_PASSWORD"); env && *env) {
    where.password = env;
    where.has_password = true;
  }
  if (where.password.size() > ENG_MAXPWLEN)
    throw EUsageError("the password is longer than 255 characters");
  return where;
}

std::string TableLocation::Describe() const {
  return dir.empty() ? table + " of alias " + alias : table + " in " + dir;
}

EngineRun::EngineRun() {
  EngEnv env{};
  CopyText(env.language, "0009");
  CopyText(env.clientName, "sfxcat");
  DBResult r = EngineInit(&env);
  // The same words the program's sessions use when the engine cannot start,
  // ended with a full stop as the program's message box shows them.
  if (r != DBENG_OK && r != DBENG_ERR_ALREADYINIT)
    throw EEngineError(r, Format(msg::kInitError, {static_cast<int>(r)}) + ".");
}

EngineRun::~EngineRun() {
  EngineExit();
}

Database::Database(const TableLocation &where) : where_(where) {
  DBResult r;
  if (where.dir.empty()) {
    r = EngineOpenDatabase(where.alias.c_str(), "", ENG_OPEN_READWRITE, ENG_SHARE_SHARED, nullptr,
                           0, nullptr, nullptr, &db_);
    if (r == DBENG_ERR_UNKNOWNDB || r == DBENG_ERR_OBJNOTFOUND || r == DBENG_ERR_NOCONFIGENTRY) {
      const char *cfg = std::getenv("DBENG_CONFIG");
      throw EEngineError(r, "no database alias \"" + where.alias +
                                "\" in the engine configuration" +
                                (cfg ? std::string(" (") + cfg + ")" : std::string()) +
                                "; give --dir FOLDER or set DBENG_CONFIG");
    }
    Check(r, "cannot open the database of alias " + where.alias);
  } else {
    std::error_code ec;
    if (!std::filesystem::is_directory(where.dir, ec))
      throw EEngineError(DBENG_ERR_DIRNOTFOUND, "no folder " + where.dir);
    Check(EngineOpenDatabase(nullptr, "STANDARD", ENG_OPEN_READWRITE, ENG_SHARE_SHARED, nullptr, 0,
                             nullptr, nullptr, &db_),
          "cannot open a database");
    r = EngineSetDirectory(db_, where.dir.c_str());
    if (r != DBENG_OK) {
      std::string text = EngineErrorText(r);
      EngineCloseDatabase(db_);
      throw EEngineError(r, "cannot open the folder " + where.dir + ": " + text);
    }
  }
  if (where.has_password && !where.password.empty()) {
    r = EngineAddPassword(where.password.c_str());
    if (r != DBENG_OK) {
      std::string text = EngineErrorText(r);
      EngineCloseDatabase(db_);
      throw EEngineError(r, "cannot give the password to the engine: " + text);
    }
  }
}

Database::~Database() {
  if (db_) EngineCloseDatabase(db_);
}

void CreateCatalogueTable(Database &db, const std::string &password, bool replace) {
  EngFldDesc fields[4] = {};
  auto field = [&](int i, const char *name, uint16_t type, uint16_t sub, int16_t units1) {
    fields[i].fieldNum = static_cast<uint16_t>(i + 1);
    CopyText(fields[i].name, name);
    fields[i].type = type;
    fields[i].subType = sub;
    fields[i].units1 = units1;
  };
  field(0, "CATEGORY", ENG_FLD_INT16, ENG_SUB_NONE, 0);
  field(1, "TITLE", ENG_FLD_ZSTRING, ENG_SUB_NONE, 24);
  field(2, "KEYWORDS", ENG_FLD_ZSTRING, ENG_SUB_NONE, 240);
  field(3, "WAV", ENG_FLD_BLOB, ENG_SUB_BINARY, 240);

  EngIdxDesc indexes[3] = {};
  auto index = [&](int i, const char *name, uint16_t key_field, bool primary, bool unique,
                   bool case_insensitive) {
    CopyText(indexes[i].name, name);
    indexes[i].indexId = static_cast<uint16_t>(i + 1);
    indexes[i].primary = primary;
    indexes[i].unique = unique;
    indexes[i].caseInsensitive = case_insensitive;
    indexes[i].maintained = 1;
    indexes[i].fieldCount = 1;
    indexes[i].keyFields[0] = key_field;
  };
  index(0, "", kTitleField, true, true, false);
  index(1, "KEYWORDS", kKeywordsField, false, false, true);
  index(2, "CATEGORY", kCategoryField, false, false, false);

  // A row without a title or a category would be unreachable from the
  // catalogue window: the engine refuses them.
  EngVChkDesc checks[2] = {};
  checks[0].fieldNum = kCategoryField;
  checks[0].required = 1;
  checks[1].fieldNum = kTitleField;
  checks[1].required = 1;

  EngTableDesc desc{};
  CopyText(desc.name, db.Where().table);
  CopyText(desc.driverType, "NATIVE");
  CopyText(desc.password, password);
  desc.overwrite = replace ? 1 : 0;
  desc.fieldCount = 4;
  desc.fields = fields;
  desc.indexCount = 3;
  desc.indexes = indexes;
  desc.checkCount = 2;
  desc.checks = checks;
  DBResult r = EngineCreateTable(db.Handle(), &desc);
  if (r == DBENG_ERR_FILEEXISTS)
    throw EEngineError(r, db.Where().Describe() +
                              " already exists (give --replace to make it anew, losing its rows)");
  Check(r, "cannot create " + db.Where().Describe());
}

CatalogueTable::CatalogueTable(Database &db, bool read_only) : db_(db) {
  const TableLocation &where = db.Where();
  DBResult r = EngineOpenTable(db.Handle(), where.table.c_str(), "", nullptr, nullptr, 0,
                               read_only ? ENG_OPEN_READONLY : ENG_OPEN_READWRITE, ENG_SHARE_SHARED,
                               ENG_XLT_FIELD, 0, nullptr, &cursor_);
  switch (r) {
  case DBENG_OK:
    break;
  case DBENG_ERR_FILENOTFOUND:
    throw EEngineError(r, "no table " + where.Describe() + " (sfxcat create makes one)");
  case DBENG_ERR_NEEDPASSWORD:
  case DBENG_ERR_NOTSUFRIGHTS:
    throw EEngineError(r, where.has_password
                              ? "the password does not open " + where.Describe()
                              : where.Describe() + " is protected: give its password with "
                                                   "--password or SFXCAT_PASSWORD");
  case DBENG_ERR_READONLY:
    throw EEngineError(r, where.Describe() + " is read-only here: " + EngineErrorText(r));
  case DBENG_ERR_TABLELOCKED:
  case DBENG_ERR_BUSY:
    throw EEngineError(r,
                       where.Describe() + " is in use by another program: " + EngineErrorText(r));
  default:
    Check(r, "cannot open " + where.Describe());
  }
  try {
    Check(EngineGetCursorProperties(cursor_, &props_), "cannot read the table's properties");
    fields_.resize(props_.fieldCount);
    if (!fields_.empty())
      Check(EngineGetFieldDescriptors(cursor_, fields_.data()), "cannot read the table's fields");
    record_.assign(props_.recordSize, 0);
  } catch (...) {
    EngineCloseCursor(cursor_);
    throw;
  }
}

CatalogueTable::~CatalogueTable() {
  if (cursor_) EngineCloseCursor(cursor_);
}

std::vector<FieldInfo> CatalogueTable::Fields() const {
  std::vector<FieldInfo> out;
  for (const EngFldDesc &f : fields_)
    out.push_back({f.fieldNum, f.name, f.type, f.subType, f.units1, f.units2});
  return out;
}

std::vector<IndexInfo> CatalogueTable::Indexes() const {
  std::vector<EngIdxDesc> descs(props_.indexCount);
  if (descs.empty()) return {};
  Check(EngineGetIndexDescriptors(cursor_, descs.data()), "cannot read the table's indexes");
  std::vector<IndexInfo> out;
  for (const EngIdxDesc &d : descs) {
    IndexInfo info{
        d.name, {}, d.primary != 0, d.unique != 0, d.descending != 0, d.caseInsensitive != 0};
    for (uint16_t i = 0; i < d.fieldCount && i < ENG_MAXKEYFIELDS; ++i) {
      uint16_t n = d.keyFields[i];
      info.fields.push_back(n >= 1 && n <= fields_.size() ? std::string(fields_[n - 1].name)
                                                          : "#" + std::to_string(n));
    }
    out.push_back(std::move(info));
  }
  return out;
}

uint32_t CatalogueTable::RowCount() const {
  uint32_t count = 0;
  Check(EngineGetRecordCount(cursor_, &count), "cannot count the rows");
  return count;
}

void CatalogueTable::CheckShape() const {
  struct Expected {
    uint16_t number;
    const char *name;
    uint16_t type;
  };
  const Expected expected[] = {{kCategoryField, "CATEGORY", ENG_FLD_INT16},
                               {kTitleField, "TITLE", ENG_FLD_ZSTRING},
                               {kKeywordsField, "KEYWORDS", ENG_FLD_ZSTRING},
                               {kWavField, "WAV", ENG_FLD_BLOB}};
  for (const Expected &e : expected) {
    if (fields_.size() < e.number || std::strcmp(fields_[e.number - 1].name, e.name) != 0 ||
        fields_[e.number - 1].type != e.type)
      throw Exception(db_.Where().Describe() +
                      " is not a sound catalogue (it needs the fields CATEGORY, TITLE, KEYWORDS "
                      "and WAV, in this order)");
  }
  if (props_.keyFieldCount < 1)
    throw Exception(db_.Where().Describe() + " has no primary index on TITLE");
}

bool CatalogueTable::TitleTaken(const std::string &title) {
  CheckShape();
  std::vector<uint8_t> key(props_.recordSize, 0);
  Check(EnginePutField(cursor_, kTitleField, key.data(), title.c_str()), "cannot make a key");
  DBResult r = EngineGetRecordForKey(cursor_, 0, 1, 0, key.data(), nullptr);
  if (r == DBENG_OK) return true;
  if (r == DBENG_ERR_KEYNOTFOUND || r == DBENG_ERR_EOF || r == DBENG_ERR_BOF) return false;
  Check(r, "cannot look up the title \"" + title + "\"");
  return false;
}

void CatalogueTable::Insert(int16_t category, const std::string &title, const std::string &keywords,
                            const std::string &wav) {
  CheckShape();
  void *rec = record_.data();
  Check(EngineInitRecord(cursor_, rec), "cannot start a row");
  Check(EnginePutField(cursor_, kCategoryField, rec, &category), "cannot set CATEGORY");
  Check(EnginePutField(cursor_, kTitleField, rec, title.c_str()), "cannot set TITLE");
  Check(EnginePutField(cursor_, kKeywordsField, rec, keywords.empty() ? nullptr : keywords.c_str()),
        "cannot set KEYWORDS");
  Check(EngineOpenBlob(cursor_, rec, kWavField, ENG_OPEN_READWRITE), "cannot open the WAV blob");
  DBResult r = DBENG_OK;
  constexpr size_t kChunk = size_t{1} << 20;
  for (size_t offset = 0; offset < wav.size() && r == DBENG_OK; offset += kChunk) {
    size_t len = std::min(kChunk, wav.size() - offset);
    r = EnginePutBlob(cursor_, rec, kWavField, static_cast<uint32_t>(offset),
                      static_cast<uint32_t>(len), wav.data() + offset);
  }
  if (r == DBENG_OK) r = EngineInsertRecord(cursor_, ENG_NOLOCK, rec);
  if (r != DBENG_OK) {
    std::string text = EngineErrorText(r);
    EngineFreeBlob(cursor_, rec, kWavField);
    if (r == DBENG_ERR_KEYVIOL) throw EEngineError(r, "the title \"" + title + "\" is taken");
    throw EEngineError(
        r, (IsStorageFailure(r) ? "cannot store the row: " : "cannot add the row: ") + text);
  }
}

} // namespace sfxcat
