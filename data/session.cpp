#include "data/session.h"

#include <chrono>
#include <cstring>

#include "base/app_hooks.h"
#include "base/format.h"
#include "base/hooks.h"
#include "base/text.h"
#include "data/database.h"
#include "data/db_engine_error.h"
#include "data/db_hooks.h"
#include "data/engine_callback.h"
#include "data/engine_text.h"

TSessionList *Sessions = nullptr;
TSession *Session = nullptr;

namespace {

// Unit initialisation: the session list and the default session exist from
// program start on. Nothing here calls the engine.
struct SessionsInit {
  SessionsInit() {
    Sessions = new TSessionList();
    Session = new TSession(nullptr);
    Session->SetSessionName("Default");
  }
} g_sessions_init;

// The database-wait timer of the server-call callback: the tick at which the
// current wait began (0 when none is timed) and the timer's id.
int g_wait_timer = 0;
std::chrono::steady_clock::time_point g_wait_start;
bool g_wait_timed = false;

void StopWaitTimerAndCursor() {
  if (!g_wait_timed && g_wait_timer == 0) return;
  if (g_wait_timer != 0 && DbHooks().stop_timer) DbHooks().stop_timer(g_wait_timer);
  g_wait_timer = 0;
  g_wait_timed = false;
  SetScreenCursor(crDefault);
}

bool ValidAliasName(const std::string &name) {
  if (name.empty()) return false;
  for (unsigned char c : name)
    if (!(std::isalnum(c) || c == '_' || c >= 127)) return false;
  return true;
}

} // namespace

void StopDatabaseWaitTimer() {
  StopWaitTimerAndCursor();
}

void DoneSessions() {
  delete Sessions;
  Sessions = nullptr;
  Session = nullptr;
  StopWaitTimerAndCursor();
}

bool DefaultSessionActive() {
  return Session != nullptr && Session->Active();
}

// ---------------------------------------------------------------------------
// TSessionList

TSessionList::TSessionList() = default;

TSessionList::~TSessionList() {
  while (!sessions_.empty()) {
    TSession *last = sessions_.back();
    delete last; // removes itself from the list
  }
}

void TSessionList::Add(TSession *session) {
  std::lock_guard guard(lock_);
  session->default_ = sessions_.empty();
  sessions_.push_back(session);
}

void TSessionList::Remove(TSession *session) {
  std::lock_guard guard(lock_);
  std::erase(sessions_, session);
}

TSession *TSessionList::FindSession(const std::string &name) const {
  if (name.empty()) return Session;
  for (TSession *s : sessions_)
    if (AnsiSameText(s->SessionName(), name)) return s;
  return nullptr;
}

TSession *TSessionList::operator[](const std::string &name) const {
  TSession *s = FindSession(name);
  if (s == nullptr) DatabaseErrorFmt(msg::kInvalidSessionName, {name});
  return s;
}

void TSessionList::GetSessionNames(TStringList &list) const {
  list.Clear();
  for (TSession *s : sessions_)
    list.Add(s->SessionName());
}

// ---------------------------------------------------------------------------
// TSession

TSession::TSession(TComponent *owner) : TComponent(owner) {
  if (Sessions != nullptr) Sessions->Add(this);
}

TSession::~TSession() {
  Destroying();
  try {
    if (Active()) StartSession(false);
  } catch (...) {
    // A failing stop must not escape a destructor; the handle is gone anyway.
  }
  handle_ = 0;
  DestroyComponents();
  for (TDatabase *db : databases_)
    db->session_ = nullptr;
  databases_.clear();
  if (Sessions != nullptr) Sessions->Remove(this);
  if (Session == this) Session = nullptr;
}

void TSession::SetActive(bool value) {
  if (IsLoading()) {
    streamed_active_ = value;
    return;
  }
  if (value != Active()) StartSession(value);
}

void TSession::Loaded() {
  TComponent::Loaded();
  if (!streamed_active_) return;
  try {
    SetActive(true);
  } catch (const Exception &e) {
    if ((ComponentState() & csDesigning) == 0) throw;
    ApplicationHandleException(e);
  }
}

void TSession::StartEngine() {
  const bool main = IsMainThread();
  if (main) SetScreenCursor(crHourGlass);
  try {
    EngEnv env;
    std::memset(&env, 0, sizeof env);
    std::strcpy(env.language, "0009");
    DBResult r = EngineInit(&env);
    if (r != DBENG_OK && r != DBENG_ERR_ALREADYINIT) DatabaseErrorFmt(msg::kInitError, {r});
    r = EngineGetCurrentSession(&handle_);
    if (r != DBENG_OK) {
      // The engine started but gave no session: end this use of it again so
      // that a later attempt starts from scratch.
      handle_ = 0;
      EngineExit();
      DbiError(r);
    }
    hEngObj client = 0;
    if (EngineGetObjectByName(ENG_OBJ_CLIENT, nullptr, &client) == DBENG_OK && client != 0)
      EngineSetProperty(client, ENG_PROP_CLIENT_TIMEOUT, 0xFFFFEBF0u);
  } catch (...) {
    if (main) SetScreenCursor(crDefault);
    throw;
  }
  if (main) SetScreenCursor(crDefault);
}

void TSession::StartSession(bool value) {
  std::lock_guard guard(Sessions->Lock());
  if (value) {
    if (on_startup_) on_startup_(this);
    if (session_name_.empty()) DatabaseError(msg::kSessionNameMissing);
    if (!default_ && Session != nullptr && !Session->Active()) Session->SetActive(true);
    if (default_) {
      StartEngine();
    } else {
      hEngSession h = 0;
      Check(EngineStartSession(nullptr, &h, nullptr));
      handle_ = h;
    }
    try {
      RegisterCallbacks();
      if (!net_file_dir_.empty()) {
        std::string dir = ToNative(net_file_dir_, kPathWidth);
        Check(EngineSetProperty(handle_, ENG_PROP_SES_NETDIR,
                                reinterpret_cast<uint64_t>(dir.c_str())));
      }
      if (!private_dir_.empty()) {
        std::string dir = ToNative(private_dir_, kPathWidth);
        Check(EngineSetPrivateDir(dir.c_str()));
      }
      Check(EngineSetProperty(handle_, ENG_PROP_SES_CFGMODE, 2));
    } catch (...) {
      try {
        StartSession(false);
      } catch (...) {
      }
      throw;
    }
  } else {
    EngineSetCurrentSession(handle_);
    for (int i = DatabaseCount() - 1; i >= 0; --i) {
      if (i >= DatabaseCount()) continue;
      TDatabase *db = Databases(i);
      if (db->Temporary())
        delete db;
      else
        db->Close();
    }
    callbacks_.clear();
    hEngSession h = handle_;
    handle_ = 0;
    if (!default_) {
      DBResult r = EngineCloseSession(h);
      if (Session != nullptr && Session->handle_ != 0) EngineSetCurrentSession(Session->handle_);
      Check(r);
    } else {
      EngineExit();
    }
  }
}

void TSession::RegisterCallbacks() {
  callbacks_.push_back(std::make_unique<TEngineCallback>(
      handle_, ENG_CB_SERVERCALL, 4, [this](void *buffer) { return ServerCallback(buffer); }));
  callbacks_.push_back(
      std::make_unique<TEngineCallback>(handle_, ENG_CB_DBLOGIN, sizeof(EngDbLoginInfo),
                                        [this](void *buffer) { return LoginCallback(buffer); }));
  // The trace monitor (type 27) has no counterpart on this platform.
}

uint32_t TSession::ServerCallback(void *info) {
  uint32_t state = 0;
  std::memcpy(&state, info, sizeof state);
  if (state == 1 && IsMainThread()) {
    if (!g_wait_timed) {
      g_wait_timed = true;
      g_wait_start = std::chrono::steady_clock::now();
      if (DbHooks().start_timer)
        g_wait_timer = DbHooks().start_timer(1000, [] { StopWaitTimerAndCursor(); });
    } else if (g_wait_timer != 0 &&
               std::chrono::steady_clock::now() - g_wait_start > std::chrono::milliseconds(500)) {
      SetScreenCursor(crSQLWait);
    }
  }
  return ENG_CBR_CONTINUE;
}

uint32_t TSession::LoginCallback(void *info) {
  auto *login = static_cast<EngDbLoginInfo *>(info);
  std::string name = NativeToAnsi(locale_, FromBuffer(login->dbName, sizeof login->dbName));
  try {
    if (login->hDb != 0) {
      for (TDatabase *db : databases_) {
        if (db->Handle() == login->hDb && AnsiSameText(db->DatabaseName(), name)) {
          CloseDatabase(db);
          break;
        }
      }
      return ENG_CBR_HANDLED;
    }
    TDatabase *db = OpenDatabase(name);
    login->hDb = db->Handle();
    login->reply = 1;
    return login->hDb != 0 ? ENG_CBR_HANDLED : ENG_CBR_ABORT;
  } catch (...) {
    return ENG_CBR_ABORT;
  }
}

void TSession::LockSession() {
  if (lock_count_ == 0) {
    Sessions->Lock().lock();
    try {
      if (handle_ != 0)
        Check(EngineSetCurrentSession(handle_));
      else
        StartSession(true);
    } catch (...) {
      Sessions->Lock().unlock();
      throw;
    }
  }
  ++lock_count_;
}

void TSession::UnlockSession() {
  if (lock_count_ == 0) return;
  if (--lock_count_ == 0) Sessions->Lock().unlock();
}

std::string TSession::ToNative(const std::string &text, size_t width) const {
  return AnsiToNative(locale_, text, width);
}

void TSession::AddPassword(const std::string &password) {
  TSessionLock lock(this);
  if (password.empty()) return;
  std::string native = ToNative(password, kPasswordWidth);
  Check(EngineAddPassword(native.c_str()));
}

void TSession::RemovePassword(const std::string &password) {
  TSessionLock lock(this);
  if (password.empty()) return;
  std::string native = ToNative(password, kPasswordWidth);
  EngineDropPassword(native.c_str());
}

void TSession::RemoveAllPasswords() {
  TSessionLock lock(this);
  EngineDropPassword(nullptr);
}

bool TSession::GetPassword() {
  if (on_password_) {
    bool go_on = false;
    on_password_(this, go_on);
    return go_on;
  }
  return RunPasswordPrompt(this);
}

std::string TSession::NetFileDir() {
  if (Active() && (ComponentState() & csWriting) == 0) {
    char buffer[256] = {};
    TSessionLock lock(this);
    Check(EngineGetProperty(handle_, ENG_PROP_SES_NETDIR, buffer, sizeof buffer, nullptr));
    return NativeToAnsi(locale_, FromBuffer(buffer, sizeof buffer));
  }
  return net_file_dir_;
}

void TSession::SetNetFileDir(const std::string &value) {
  if (Active()) {
    TSessionLock lock(this);
    std::string dir = ToNative(value, kPathWidth);
    Check(EngineSetProperty(handle_, ENG_PROP_SES_NETDIR, reinterpret_cast<uint64_t>(dir.c_str())));
  }
  net_file_dir_ = value;
}

std::string TSession::PrivateDir() {
  if (Active() && (ComponentState() & csWriting) == 0) {
    EngSesInfo info;
    std::memset(&info, 0, sizeof info);
    TSessionLock lock(this);
    Check(EngineGetSessionInfo(&info));
    return NativeToAnsi(locale_, FromBuffer(info.privateDir, sizeof info.privateDir));
  }
  return private_dir_;
}

void TSession::SetPrivateDir(const std::string &value) {
  if (Active()) {
    TSessionLock lock(this);
    std::string dir = ToNative(value, kPathWidth);
    Check(EngineSetPrivateDir(dir.c_str()));
  }
  private_dir_ = value;
}

void TSession::SetSessionName(const std::string &value) {
  if (Active()) DatabaseError(msg::kSessionActive);
  if (Sessions != nullptr && !value.empty()) {
    TSession *other = Sessions->FindSession(value);
    if (other != nullptr && other != this) DatabaseErrorFmt(msg::kDuplicateSessionName, {value});
  }
  session_name_ = value;
}

// ---------------------------------------------------------------------------
// Databases of the session

void TSession::AddDatabase(TDatabase *database) {
  databases_.push_back(database);
}

void TSession::RemoveDatabase(TDatabase *database) {
  std::erase(databases_, database);
}

TDatabase *TSession::FindDatabase(const std::string &name) const {
  for (TDatabase *db : databases_) {
    if (db->DatabaseName().empty() && !db->Temporary()) continue;
    if (AnsiSameText(db->DatabaseName(), name)) return db;
  }
  return nullptr;
}

TDatabase *TSession::OpenDatabase(const std::string &name) {
  TSessionLock lock(this);
  TDatabase *db = FindDatabase(name);
  bool created = false;
  if (db == nullptr) {
    db = new TDatabase(this);
    created = true;
  }
  try {
    if (created) {
      db->temporary_ = true;
      db->SetDatabaseName(name);
      db->SetKeepConnection(keep_connections_);
    }
    db->Open();
    ++db->ref_count_;
  } catch (...) {
    if (created) delete db;
    throw;
  }
  return db;
}

void TSession::CloseDatabase(TDatabase *database) {
  if (database == nullptr) return;
  if (database->ref_count_ > 0) --database->ref_count_;
  if (database->ref_count_ == 0 && !database->KeepConnection()) {
    if (database->Temporary())
      delete database;
    else
      database->Close();
  }
}

void TSession::DropConnections() {
  for (int i = DatabaseCount() - 1; i >= 0; --i) {
    if (i >= DatabaseCount()) continue;
    TDatabase *db = Databases(i);
    if (db->Temporary() && db->DataSetCount() == 0) delete db;
  }
}

// ---------------------------------------------------------------------------
// Configuration entries

void TSession::GetConfigParams(const std::string &path, TStringList &list) {
  TSessionLock lock(this);
  list.Clear();
  hEngCursor cursor = 0;
  std::string native = ToNative(path, kPathWidth);
  Check(EngineOpenConfigList(0, ENG_OPEN_READONLY, ENG_CFGMODE_ALL, native.c_str(), &cursor));
  EngCfgDesc record;
  std::memset(&record, 0, sizeof record);
  while (EngineGetNextRecord(cursor, ENG_NOLOCK, &record, nullptr) == DBENG_OK) {
    list.Add(
        Format("%s=%s", {NativeToAnsi(locale_, FromBuffer(record.name, sizeof record.name)),
                         NativeToAnsi(locale_, FromBuffer(record.value, sizeof record.value))}));
    std::memset(&record, 0, sizeof record);
  }
  EngineCloseCursor(cursor);
}

std::string TSession::GetAliasDriverName(const std::string &alias) {
  TSessionLock lock(this);
  EngDbDesc desc;
  std::memset(&desc, 0, sizeof desc);
  std::string native = ToNative(alias, kNameWidth);
  if (alias.empty() || EngineGetDatabaseDescriptor(native.c_str(), &desc) != DBENG_OK)
    DatabaseErrorFmt(msg::kInvalidAliasName, {alias});
  return NativeToAnsi(locale_, FromBuffer(desc.dbType, sizeof desc.dbType));
}

bool TSession::IsAlias(const std::string &name) {
  TSessionLock lock(this);
  EngDbDesc desc;
  std::memset(&desc, 0, sizeof desc);
  std::string native = ToNative(name, kNameWidth);
  return !name.empty() && EngineGetDatabaseDescriptor(native.c_str(), &desc) == DBENG_OK;
}

void TSession::GetAliasParams(const std::string &alias, TStringList &list) {
  TSessionLock lock(this);
  EngDbDesc desc;
  std::memset(&desc, 0, sizeof desc);
  std::string native = ToNative(alias, kNameWidth);
  Check(EngineGetDatabaseDescriptor(native.c_str(), &desc));
  std::string type = FromBuffer(desc.dbType, sizeof desc.dbType);
  if (type == "STANDARD") {
    GetConfigParams(Format("\\DATABASES\\%s\\DB INFO", {alias}), list);
    int i = list.IndexOfName("TYPE");
    if (i >= 0) list.Delete(i);
  } else {
    GetConfigParams(Format("\\DATABASES\\%s\\DB OPEN", {alias}), list);
  }
}

void TSession::GetDriverParams(const std::string &driver_type, TStringList &list) {
  list.Clear();
  if (AnsiSameText(driver_type, "STANDARD")) {
    list.Add("PATH=");
    list.Add("DEFAULT DRIVER=NATIVE");
    list.Add("ENABLE BCD=FALSE");
  } else {
    GetConfigParams(Format("\\DRIVERS\\%s\\DB OPEN", {driver_type}), list);
  }
}

namespace {

// A parameter list as the engine's configuration entries take it: one
// 62-byte field descriptor per "name=value" line and one record holding the
// zero-terminated values in order.
struct TParamList {
  std::vector<EngFldDesc> descs;
  std::vector<char> record;

  TParamList(const TStringList &params, hEngLd locale) {
    for (int i = 0; i < params.Count(); ++i) {
      EngFldDesc d;
      std::memset(&d, 0, sizeof d);
      d.fieldNum = static_cast<uint16_t>(i + 1);
      std::string name = AnsiToNative(locale, params.Names(i), kNameWidth);
      std::memcpy(d.name, name.c_str(), name.size());
      d.type = ENG_FLD_ZSTRING;
      const std::string &line = params.Strings(i);
      size_t eq = line.find('=');
      std::string value =
          AnsiToNative(locale, eq == std::string::npos ? "" : line.substr(eq + 1), 0xFFFE);
      d.offset = static_cast<uint16_t>(record.size());
      d.length = static_cast<uint16_t>(value.size() + 1);
      record.insert(record.end(), value.begin(), value.end());
      record.push_back('\0');
      descs.push_back(d);
    }
  }
};

void WriteConfigEntry(const std::string &path, const TStringList &params, hEngLd locale) {
  TParamList list(params, locale);
  std::string native = AnsiToNative(locale, path, kPathWidth);
  Check(EngineAddConfigEntry(0, ENG_CFGMODE_SESSION, native.c_str(),
                             static_cast<uint16_t>(list.descs.size()), list.descs.data(),
                             list.record.data(), 1));
}

} // namespace

void TSession::AddConfigAlias(const std::string &name, const std::string &driver_type,
                              const TStringList &params) {
  TSessionLock lock(this);
  std::string native = ToNative(name, kNameWidth);
  if (!ValidAliasName(native)) DatabaseErrorFmt(msg::kInvalidAliasName, {name});
  Check(EngineSetProperty(handle_, ENG_PROP_SES_CFGMODE, ENG_CFGMODE_SESSION));
  const bool standard = driver_type.empty() || AnsiSameText(driver_type, "STANDARD");
  TStringList info;
  info.Add("TYPE=" + (standard ? std::string("STANDARD") : driver_type));
  info.Add("PATH=" + params.Values("PATH"));
  if (standard) {
    info.Add("DEFAULT DRIVER=" + params.Values("DEFAULT DRIVER"));
    std::string bcd = params.Values("ENABLE BCD");
    info.Add("ENABLE BCD=" + (bcd.empty() ? std::string("FALSE") : bcd));
  }
  std::string info_path = Format("\\DATABASES\\%s\\DB INFO", {name});
  WriteConfigEntry(info_path, info, locale_);
  if (!standard) {
    try {
      TStringList open;
      GetDriverParams(driver_type, open);
      for (int i = 0; i < params.Count(); ++i) {
        std::string n = params.Names(i);
        if (!n.empty()) open.SetValues(n, params.Values(n));
      }
      WriteConfigEntry(Format("\\DATABASES\\%s\\DB OPEN", {name}), open, locale_);
    } catch (...) {
      std::string p = ToNative(info_path, kPathWidth);
      EngineDropConfigEntry(0, ENG_CFGMODE_SESSION, p.c_str());
      throw;
    }
  }
}

void TSession::DeleteConfigAlias(const std::string &name) {
  TSessionLock lock(this);
  Check(EngineSetProperty(handle_, ENG_PROP_SES_CFGMODE, ENG_CFGMODE_SESSION));
  std::string path = ToNative(Format("\\DATABASES\\%s", {name}), kPathWidth);
  if (EngineFindConfigEntry(0, ENG_CFGMODE_SESSION, path.c_str()) == DBENG_OK)
    Check(EngineDropConfigEntry(0, ENG_CFGMODE_SESSION, path.c_str()));
}
