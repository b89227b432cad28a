// TDatabase: one connection to an alias or a folder through a session, and
// TDBConnection, the reference-counted tie of a dataset to its database,
// held through a set of use flags.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/component.h"
#include "base/strings.h"
#include "data/engine/engine_api.h"

class TSession;
class TDatabase;
class TDBDataSet;
class TDBConnection;

enum TTransIsolation { tiDirtyRead, tiReadCommitted, tiRepeatableRead };

using TLoginEvent = std::function<void(TDatabase *database, TStringList *login_params)>;

class TDatabase : public TComponent {
public:
  explicit TDatabase(TComponent *owner = nullptr);
  ~TDatabase() override;

  // AliasName and DriverName share one text; reading the one not set gives "".
  std::string AliasName() const { return is_alias_ ? alias_or_driver_ : std::string(); }
  void SetAliasName(const std::string &value);
  std::string DriverName() const { return is_alias_ ? std::string() : alias_or_driver_; }
  void SetDriverName(const std::string &value);
  bool Connected() const { return handle_ != 0; }
  void SetConnected(bool value);
  const std::string &DatabaseName() const { return database_name_; }
  void SetDatabaseName(const std::string &value);
  bool KeepConnection() const { return keep_connection_; }
  void SetKeepConnection(bool value);
  bool LoginPrompt() const { return login_prompt_; }
  void SetLoginPrompt(bool value) { login_prompt_ = value; }
  const TStringList &Params() const { return params_; }
  void SetParams(const TStringList &value);
  const std::string &SessionName() const { return session_name_; }
  void SetSessionName(const std::string &value);
  TTransIsolation TransIsolation() const { return trans_isolation_; }
  void SetTransIsolation(TTransIsolation value) { trans_isolation_ = value; }
  const TLoginEvent &OnLogin() const { return on_login_; }
  void SetOnLogin(TLoginEvent handler) { on_login_ = std::move(handler); }

  void Open();
  void Close();
  // Closes every dataset connected through this database.
  void CloseDataSets();

  hEngDb Handle() const { return handle_; }
  bool IsSQLBased() const { return sql_based_; }
  bool Temporary() const { return temporary_; }
  // Number of datasets using this database (open-database calls not yet
  // matched by close-database).
  int RefCount() const { return ref_count_; }
  TSession *Session() const { return session_; }
  int DataSetCount() const { return static_cast<int>(datasets_.size()); }
  TDBDataSet *DataSets(int index) const;
  hEngLd Locale() const { return locale_; }

protected:
  void Loaded() override;

private:
  friend class TSession;
  friend class TDBConnection;
  void CheckInactive() const;
  void MoveToSession(TSession *session);
  void DoOpen();
  void Login(std::string &password);

  TSession *session_ = nullptr;
  std::string alias_or_driver_;
  bool is_alias_ = true;
  std::string database_name_;
  bool keep_connection_ = true;
  bool login_prompt_ = true;
  TStringList params_;
  std::string session_name_;
  TTransIsolation trans_isolation_ = tiReadCommitted;
  TLoginEvent on_login_;

  hEngDb handle_ = 0;
  std::vector<TDBConnection *> datasets_;
  int ref_count_ = 0;
  bool temporary_ = false;
  bool sql_based_ = false;
  hEngLd locale_ = 0;
  bool own_locale_ = false;
  bool temporary_alias_ = false;
  bool shared_handle_ = false;
  bool streamed_connected_ = false;
  bool closing_ = false;
};

// The tie of one dataset to its database. Setting the first use flag looks
// up the session, opens (or shares) the database by name and joins its
// dataset list; clearing the last leaves the list and releases the
// database. The dataset's locale follows: the database's while connected,
// the session's otherwise.
class TDBConnection {
public:
  // `close_for_database` closes the dataset when its database closes.
  TDBConnection(TDBDataSet *dataset, std::function<void()> close_for_database);
  ~TDBConnection();
  TDBConnection(const TDBConnection &) = delete;
  TDBConnection &operator=(const TDBConnection &) = delete;

  void SetFlag(unsigned flag, bool value, const std::string &session_name,
               const std::string &database_name);
  bool Flag(unsigned flag) const { return (flags_ & (1u << flag)) != 0; }
  uint16_t Flags() const { return flags_; }
  TDatabase *Database() const { return database_; }
  TSession *Session() const { return session_; }
  hEngLd Locale() const;
  TDBDataSet *DataSet() const { return dataset_; }

private:
  friend class TDatabase;
  void Release();

  TDBDataSet *dataset_;
  std::function<void()> close_for_database_;
  uint16_t flags_ = 0;
  TDatabase *database_ = nullptr;
  TSession *session_ = nullptr;
};
