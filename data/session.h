// Sessions: the list of all sessions with the process-wide sessions' lock,
// and TSession, which holds an engine session with its password list, its
// engine callbacks and the databases connected through it. The default
// session "Default" starts the engine on first use and ends it when stopped.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/component.h"
#include "base/strings.h"
#include "data/engine/engine_api.h"

class TDatabase;
class TSession;
class TEngineCallback;

using TPasswordEvent = std::function<void(TObject *sender, bool &continue_)>;
using TSessionNotifyEvent = std::function<void(TObject *sender)>;

class TSessionList {
public:
  TSessionList();
  ~TSessionList();
  TSessionList(const TSessionList &) = delete;
  TSessionList &operator=(const TSessionList &) = delete;

  int Count() const { return static_cast<int>(sessions_.size()); }
  TSession *Sessions(int index) const { return sessions_.at(static_cast<size_t>(index)); }
  // The session of that name ignoring case; an empty name is the default
  // session; null when there is none.
  TSession *FindSession(const std::string &name) const;
  // As FindSession, raising "Invalid session name %s" when there is none.
  TSession *operator[](const std::string &name) const;
  void GetSessionNames(TStringList &list) const;

  // The sessions' lock: serialises session start and stop and every engine
  // call made inside a session lock.
  std::recursive_mutex &Lock() { return lock_; }

private:
  friend class TSession;
  void Add(TSession *session);
  void Remove(TSession *session);

  std::vector<TSession *> sessions_;
  std::recursive_mutex lock_;
};

// The session list and the default session, made at start-up.
extern TSessionList *Sessions;
extern TSession *Session;
// Frees the session list: every session is stopped (the default one ending
// the engine) and freed, last first. Programs call it at the end of main,
// while the engine library is still whole; safe to call twice. A process
// that never calls it leaves the engine to the operating system, which is
// safe for the table files (every change is committed when it is made).
void DoneSessions();
// True while the default session holds an engine session.
bool DefaultSessionActive();
// Stops the database-wait timer and puts the default cursor back.
void StopDatabaseWaitTimer();

class TSession : public TComponent {
public:
  explicit TSession(TComponent *owner = nullptr);
  ~TSession() override;

  bool Active() const { return handle_ != 0; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }

  bool KeepConnections() const { return keep_connections_; }
  void SetKeepConnections(bool value) { keep_connections_ = value; }
  std::string NetFileDir();
  void SetNetFileDir(const std::string &value);
  std::string PrivateDir();
  void SetPrivateDir(const std::string &value);
  const std::string &SessionName() const { return session_name_; }
  void SetSessionName(const std::string &value);
  const TPasswordEvent &OnPassword() const { return on_password_; }
  void SetOnPassword(TPasswordEvent handler) { on_password_ = std::move(handler); }
  const TSessionNotifyEvent &OnStartup() const { return on_startup_; }
  void SetOnStartup(TSessionNotifyEvent handler) { on_startup_ = std::move(handler); }

  // Passwords offered to the engine when a protected table opens.
  void AddPassword(const std::string &password);
  void RemovePassword(const std::string &password);
  void RemoveAllPasswords();
  // Asks for a password after the engine refused an open: OnPassword when
  // assigned, else the password prompt. True when the caller should retry.
  bool GetPassword();

  // The reference-counted connections used by datasets.
  TDatabase *OpenDatabase(const std::string &name);
  void CloseDatabase(TDatabase *database);
  TDatabase *FindDatabase(const std::string &name) const;
  int DatabaseCount() const { return static_cast<int>(databases_.size()); }
  TDatabase *Databases(int index) const { return databases_.at(static_cast<size_t>(index)); }
  void DropConnections();

  // The counted session lock every engine call of the session, its
  // databases and datasets runs under.
  void LockSession();
  void UnlockSession();

  hEngSession Handle() const { return handle_; }
  bool IsDefault() const { return default_; }
  hEngLd Locale() const { return locale_; }

  // Configuration entries ("name=value" lines).
  void GetConfigParams(const std::string &path, TStringList &list);
  void GetAliasParams(const std::string &alias, TStringList &list);
  void GetDriverParams(const std::string &driver_type, TStringList &list);
  // Driver type of a known alias; "Invalid alias name %s" otherwise.
  std::string GetAliasDriverName(const std::string &alias);
  bool IsAlias(const std::string &name);
  // Temporary aliases for databases with custom parameters.
  void AddConfigAlias(const std::string &name, const std::string &driver_type,
                      const TStringList &params);
  void DeleteConfigAlias(const std::string &name);

  // Trace flags handed to SQL-based databases (set by a monitor; none here).
  uint32_t TraceFlags() const { return trace_flags_; }

protected:
  void Loaded() override;

private:
  friend class TDatabase;
  friend class TSessionList;
  friend void DoneSessions();
  void StartSession(bool value);
  void StartEngine();
  void RegisterCallbacks();
  void AddDatabase(TDatabase *database);
  void RemoveDatabase(TDatabase *database);
  uint32_t ServerCallback(void *info);
  uint32_t LoginCallback(void *info);
  std::string ToNative(const std::string &text, size_t width) const;

  hEngSession handle_ = 0;
  bool default_ = false;
  bool keep_connections_ = true;
  bool streamed_active_ = false;
  std::string net_file_dir_;
  std::string private_dir_;
  std::string session_name_;
  TPasswordEvent on_password_;
  TSessionNotifyEvent on_startup_;
  std::vector<TDatabase *> databases_;
  std::vector<std::unique_ptr<TEngineCallback>> callbacks_;
  hEngLd locale_ = 0;
  int lock_count_ = 0;
  uint32_t trace_flags_ = 0;
};

// Holds a session's lock for a scope.
class TSessionLock {
public:
  explicit TSessionLock(TSession *session) : session_(session) { session_->LockSession(); }
  ~TSessionLock() { session_->UnlockSession(); }
  TSessionLock(const TSessionLock &) = delete;
  TSessionLock &operator=(const TSessionLock &) = delete;

private:
  TSession *session_;
};

namespace msg {
inline constexpr const char *kSessionNameMissing = "Session name missing";
inline constexpr const char *kInvalidSessionName = "Invalid session name %s";
inline constexpr const char *kDuplicateSessionName = "Duplicate session name '%s'";
inline constexpr const char *kSessionActive = "Cannot perform this operation on an active session";
inline constexpr const char *kDatabaseNameMissing = "Database name missing";
inline constexpr const char *kDuplicateDatabaseName = "Duplicate database name '%s'";
inline constexpr const char *kLoginError = "Cannot connect to database '%s'";
inline constexpr const char *kInvalidAliasName = "Invalid alias name %s";
} // namespace msg
