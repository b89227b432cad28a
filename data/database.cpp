#include "data/database.h"

#include <algorithm>
#include <cstring>

#include "base/app_hooks.h"
#include "base/format.h"
#include "base/text.h"
#include "data/db_engine_error.h"
#include "data/db_hooks.h"
#include "data/engine_text.h"
#include "data/session.h"

namespace {

// A folder given as the database name: opened without an alias and then
// moved to the folder.
bool IsDirectoryName(const std::string &name) {
  return name.find_first_of(":\\/") != std::string::npos;
}

// Puts the session's configuration mode back when the scope ends.
class TConfigModeGuard {
public:
  explicit TConfigModeGuard(hEngSession session) : session_(session) {
    uint16_t len = 0;
    saved_ =
        EngineGetProperty(session_, ENG_PROP_SES_CFGMODE, &mode_, sizeof mode_, &len) == DBENG_OK;
  }
  ~TConfigModeGuard() {
    if (saved_) EngineSetProperty(session_, ENG_PROP_SES_CFGMODE, mode_);
  }
  TConfigModeGuard(const TConfigModeGuard &) = delete;
  TConfigModeGuard &operator=(const TConfigModeGuard &) = delete;

private:
  hEngSession session_;
  uint16_t mode_ = 0;
  bool saved_ = false;
};

} // namespace

TDatabase::TDatabase(TComponent *owner) : TComponent(owner) {
  if (auto *s = dynamic_cast<TSession *>(owner)) {
    session_ = s;
    if (!s->IsDefault()) session_name_ = s->SessionName();
  } else {
    session_ = ::Session;
  }
  if (session_ != nullptr) session_->AddDatabase(this);
}

TDatabase::~TDatabase() {
  Destroying();
  try {
    Close();
  } catch (...) {
    // Closing in a destructor must not throw; the handle is dropped anyway.
  }
  for (TDBConnection *c : datasets_)
    c->database_ = nullptr;
  datasets_.clear();
  if (session_ != nullptr) session_->RemoveDatabase(this);
}

void TDatabase::CheckInactive() const {
  if (Connected()) DatabaseError(msg::kDatabaseOpen);
}

void TDatabase::SetAliasName(const std::string &value) {
  CheckInactive();
  alias_or_driver_ = value;
  is_alias_ = true;
}

void TDatabase::SetDriverName(const std::string &value) {
  CheckInactive();
  alias_or_driver_ = value;
  is_alias_ = false;
}

void TDatabase::SetParams(const TStringList &value) {
  CheckInactive();
  params_.Assign(&value);
}

void TDatabase::SetSessionName(const std::string &value) {
  CheckInactive();
  session_name_ = value;
}

void TDatabase::SetDatabaseName(const std::string &value) {
  CheckInactive();
  if (session_ != nullptr && !value.empty()) {
    TDatabase *other = session_->FindDatabase(value);
    if (other != nullptr && other != this) {
      if (!other->temporary_ || other->ref_count_ > 0)
        DatabaseErrorFmt(msg::kDuplicateDatabaseName, {value});
      delete other; // an unused temporary connection gives way to this one
    }
  }
  database_name_ = value;
}

void TDatabase::SetKeepConnection(bool value) {
  keep_connection_ = value;
  if (!value && ref_count_ == 0 && Connected()) Close();
}

void TDatabase::SetConnected(bool value) {
  if (IsLoading()) {
    streamed_connected_ = value;
    return;
  }
  if (value)
    Open();
  else
    Close();
}

void TDatabase::Loaded() {
  TComponent::Loaded();
  if (!streamed_connected_) return;
  try {
    SetConnected(true);
  } catch (const Exception &e) {
    if ((ComponentState() & csDesigning) == 0) throw;
    ApplicationHandleException(e);
  }
}

TDBDataSet *TDatabase::DataSets(int index) const {
  return datasets_.at(static_cast<size_t>(index))->DataSet();
}

void TDatabase::MoveToSession(TSession *session) {
  if (session == session_) return;
  if (session_ != nullptr) session_->RemoveDatabase(this);
  session_ = session;
  session_->AddDatabase(this);
}

void TDatabase::Open() {
  if (Connected()) return;
  DoOpen();
}

void TDatabase::Login(std::string &password) {
  TStringList login_params;
  login_params.Add("USER NAME=" + params_.Values("USER NAME"));
  if (on_login_) {
    on_login_(this, &login_params);
    password = login_params.Values("PASSWORD");
    params_.SetValues("USER NAME", login_params.Values("USER NAME"));
    return;
  }
  std::string user = params_.Values("USER NAME");
  std::string reply;
  if (!RunLoginPrompt(database_name_, user, reply))
    DatabaseErrorFmt(msg::kLoginError, {database_name_});
  password = reply;
  params_.SetValues("USER NAME", user);
}

void TDatabase::DoOpen() {
  if (database_name_.empty() && !temporary_) DatabaseError(msg::kDatabaseNameMissing);
  TSession *session = (*Sessions)[session_name_];
  MoveToSession(session);
  session->Open();

  TSessionLock lock(session);
  TConfigModeGuard mode(session->Handle());
  const hEngLd slocale = session->Locale();

  const bool uses_driver = !is_alias_ && !alias_or_driver_.empty();
  std::string alias =
      uses_driver ? std::string() : (alias_or_driver_.empty() ? database_name_ : alias_or_driver_);
  TStringList own_params;
  std::string driver_type;
  bool known = true;
  if (!uses_driver) {
    EngDbDesc desc;
    std::memset(&desc, 0, sizeof desc);
    std::string native = AnsiToNative(slocale, alias, kNameWidth);
    if (alias.empty() || EngineGetDatabaseDescriptor(native.c_str(), &desc) != DBENG_OK) {
      known = false;
    } else {
      driver_type = NativeToAnsi(slocale, FromBuffer(desc.dbType, sizeof desc.dbType));
      session->GetAliasParams(alias, own_params);
    }
  } else {
    driver_type = alias_or_driver_;
    session->GetDriverParams(driver_type, own_params);
  }

  std::string password;
  if (known) {
    if (!AnsiSameText(driver_type, "STANDARD")) {
      if (login_prompt_) {
        if (params_.IndexOfName("USER NAME") < 0)
          params_.SetValues("USER NAME", own_params.Values("USER NAME"));
        Login(password);
      } else {
        password = params_.Values("PASSWORD");
      }
    }
    TStringList effective;
    effective.Assign(&own_params);
    bool custom = false;
    for (int i = 0; i < params_.Count(); ++i) {
      const std::string &line = params_.Strings(i);
      std::string name = params_.Names(i);
      if (name.empty() || own_params.IndexOf(line) >= 0 || AnsiSameText(name, "PASSWORD")) continue;
      if (own_params.IndexOfName(name) < 0) continue;
      effective.SetValues(name, params_.Values(name));
      custom = true;
    }
    const std::string alias_name = AliasName();
    if (custom || uses_driver ||
        (!alias_name.empty() && !AnsiSameText(alias_name, database_name_))) {
      session->AddConfigAlias(database_name_, driver_type, effective);
      temporary_alias_ = true;
    }
  }

  const bool directory = alias_or_driver_.empty() && IsDirectoryName(database_name_);
  try {
    std::string name = AnsiToNative(slocale, database_name_, kNameWidth);
    std::string pw = AnsiToNative(slocale, password, kPasswordWidth);
    hEngDb h = 0;
    Check(EngineOpenDatabase(directory ? nullptr : name.c_str(), nullptr, ENG_OPEN_READWRITE,
                             ENG_SHARE_SHARED, pw.c_str(), 0, nullptr, nullptr, &h));
    handle_ = h;
    if (directory) {
      std::string dir = AnsiToNative(slocale, database_name_, kPathWidth);
      Check(EngineSetDirectory(handle_, dir.c_str()));
    }
    EngineSetProperty(handle_, ENG_PROP_DB_FLAG5, 1);
    EngineSetProperty(handle_, ENG_PROP_DB_FLAG4, 1);
    char type[64] = {};
    Check(EngineGetProperty(handle_, ENG_PROP_DB_DRIVERTYPE, type, sizeof type, nullptr));
    sql_based_ = FromBuffer(type, sizeof type) != "STANDARD";
    locale_ = slocale;
    if (sql_based_) {
      char ld[32] = {};
      hEngLd loaded = 0;
      if (EngineGetDatabaseDriverName(handle_, ld) == DBENG_OK &&
          EngineLoadLanguageDriver(&loaded, ld) == DBENG_OK) {
        locale_ = loaded;
        own_locale_ = true;
      }
      EngineSetProperty(handle_, ENG_PROP_DB_TRACE, session->TraceFlags());
    }
  } catch (...) {
    if (handle_ != 0) EngineCloseDatabase(handle_);
    handle_ = 0;
    sql_based_ = false;
    if (temporary_alias_) {
      temporary_alias_ = false;
      try {
        session->DeleteConfigAlias(database_name_);
      } catch (...) {
      }
    }
    throw;
  }
}

void TDatabase::CloseDataSets() {
  std::vector<TDBConnection *> copy = datasets_;
  for (auto it = copy.rbegin(); it != copy.rend(); ++it) {
    if (std::find(datasets_.begin(), datasets_.end(), *it) == datasets_.end()) continue;
    if ((*it)->close_for_database_) (*it)->close_for_database_();
  }
}

void TDatabase::Close() {
  if (!Connected() || closing_) return;
  closing_ = true;
  try {
    CloseDataSets();
  } catch (...) {
    closing_ = false;
    throw;
  }
  closing_ = false;
  if (own_locale_) EngineUnloadLanguageDriver(locale_);
  own_locale_ = false;
  locale_ = session_ != nullptr ? session_->Locale() : 0;
  if (!shared_handle_) EngineCloseDatabase(handle_);
  sql_based_ = false;
  handle_ = 0;
  ref_count_ = 0;
  if (temporary_alias_ && session_ != nullptr) {
    temporary_alias_ = false;
    TConfigModeGuard mode(session_->Handle());
    session_->DeleteConfigAlias(database_name_);
  }
}

// ---------------------------------------------------------------------------
// TDBConnection

TDBConnection::TDBConnection(TDBDataSet *dataset, std::function<void()> close_for_database)
    : dataset_(dataset), close_for_database_(std::move(close_for_database)) {}

TDBConnection::~TDBConnection() {
  if (flags_ == 0) return;
  flags_ = 0;
  try {
    Release();
  } catch (...) {
  }
}

void TDBConnection::SetFlag(unsigned flag, bool value, const std::string &session_name,
                            const std::string &database_name) {
  const uint16_t bit = static_cast<uint16_t>(1u << flag);
  if (value == Flag(flag)) return;
  if (value) {
    if (flags_ == 0) {
      TSession *session = (*Sessions)[session_name];
      TDatabase *db = session->OpenDatabase(database_name);
      session_ = session;
      database_ = db;
      db->datasets_.push_back(this);
    }
    flags_ |= bit;
  } else {
    flags_ &= static_cast<uint16_t>(~bit);
    if (flags_ == 0) Release();
  }
}

void TDBConnection::Release() {
  TDatabase *db = database_;
  database_ = nullptr;
  if (db == nullptr) return;
  std::erase(db->datasets_, this);
  if (db->closing_ || db->IsDestroying()) {
    // The database is closing its datasets itself: only the count drops.
    if (db->ref_count_ > 0) --db->ref_count_;
    return;
  }
  if (db->Session() != nullptr) db->Session()->CloseDatabase(db);
}

hEngLd TDBConnection::Locale() const {
  if (database_ != nullptr) return database_->Locale();
  if (session_ != nullptr) return session_->Locale();
  return ::Session != nullptr ? ::Session->Locale() : 0;
}
