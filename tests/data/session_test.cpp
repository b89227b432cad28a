// Sessions, databases, connections and engine errors against the real
// engine, each test in a process of its own (CTest runs them one by one), so
// "the engine never started" is a fresh state.
#include <gtest/gtest.h>

#include "data/database.h"
#include "data/db_engine_error.h"
#include "data/session.h"
#include "table_fixture.h"

TEST(EngineErrorText, NormalisesWhitespaceAndOneFinalDot) {
  EXPECT_EQ(NormalizeEngineText("  Table\t is\r\n busy.  "), "Table is busy");
  EXPECT_EQ(NormalizeEngineText("Ends with two.."), "Ends with two.");
  EXPECT_EQ(NormalizeEngineText(" \n\t "), "");
}

TEST(EngineErrorText, RepeatedEntriesShowOnceDistinctOnesAreAppendedInOrder) {
  EXPECT_EQ(JoinEngineTexts(0x2902, "Table needs a password.", {"Table needs a password"}),
            "Table needs a password");
  EXPECT_EQ(JoinEngineTexts(0x2301, "Corrupt table.", {"Corrupt table", "File: a.db.", "disk I/O"}),
            "Corrupt table. File: a.db. disk I/O");
  // An empty top text falls back to the code; empty entries add nothing.
  EXPECT_EQ(JoinEngineTexts(0x2101, "  ", {"", "cause"}), "Engine error $2101. cause");
}

TEST(EngineError, BeforeTheEngineStartedCarriesTheInitialisationMessage) {
  ASSERT_FALSE(DefaultSessionActive());
  EDBEngineError e(0x2902);
  EXPECT_EQ(e.Message(),
            "An error occurred while attempting to initialize the database engine (error $2902)");
  ASSERT_EQ(e.ErrorCount(), 1);
  EXPECT_EQ(e.Errors(0).ErrorCode(), 0x2902);
  EXPECT_EQ(e.Errors(0).Category(), 0x29);
  EXPECT_EQ(e.Errors(0).SubCode(), 0x02);
}

TEST(EngineError, AfterStartTheEngineTextsAreUsed) {
  Session->Open();
  EDBEngineError e(DBENG_ERR_NEEDPASSWORD);
  EXPECT_FALSE(e.Message().empty());
  EXPECT_EQ(e.Message().find("initialize"), std::string::npos);
  EXPECT_EQ(e.Message().back() == '.', false);
  EXPECT_GE(e.ErrorCount(), 1);
  EXPECT_EQ(e.ErrorCode(), DBENG_ERR_NEEDPASSWORD);
}

TEST(SessionList, DefaultSessionAndNames) {
  ASSERT_NE(Sessions, nullptr);
  EXPECT_EQ(Sessions->FindSession(""), Session);
  EXPECT_EQ(Sessions->FindSession("dEfAuLt"), Session);
  EXPECT_TRUE(Session->IsDefault());
  EXPECT_EQ(MessageOf([] { (void)(*Sessions)["nope"]; }), "Invalid session name nope");

  TSession second(nullptr);
  EXPECT_FALSE(second.IsDefault());
  EXPECT_EQ(MessageOf([&] { second.Open(); }), "Session name missing");
  EXPECT_FALSE(second.Active());
  EXPECT_EQ(MessageOf([&] { second.SetSessionName("DEFAULT"); }),
            "Duplicate session name 'DEFAULT'");
  second.SetSessionName("Second");
  second.Open();
  EXPECT_TRUE(second.Active());
  EXPECT_TRUE(Session->Active()) << "a second session starts the default one first";
  EXPECT_EQ(MessageOf([&] { second.SetSessionName("Other"); }),
            "Cannot perform this operation on an active session");
  second.Close();
  EXPECT_FALSE(second.Active());
  EXPECT_TRUE(Session->Active());
}

TEST(Session, AddPasswordStartsTheEngineAndEmptyTextsAreHarmless) {
  // Earlier tests of this binary may have left the default session running.
  Session->Close();
  ASSERT_FALSE(Session->Active());
  Session->AddPassword("");
  EXPECT_TRUE(Session->Active()) << "the session is made current, hence started";
  Session->AddPassword("walrus");
  Session->RemovePassword("never added");
  Session->RemovePassword("walrus");
  Session->RemoveAllPasswords();
  Session->Close();
  EXPECT_FALSE(Session->Active());
  Session->AddPassword("again");
  EXPECT_TRUE(Session->Active()) << "a stopped engine starts again";
}

TEST(Database, TwoConnectionsShareOneTemporaryDatabase) {
  TempFolder folder;
  TDBConnection a(nullptr, nullptr), b(nullptr, nullptr);
  a.SetFlag(0, true, "", folder.Path());
  b.SetFlag(0, true, "", folder.Path());
  ASSERT_NE(a.Database(), nullptr);
  EXPECT_EQ(a.Database(), b.Database());
  TDatabase *db = a.Database();
  EXPECT_TRUE(db->Temporary());
  EXPECT_EQ(db->RefCount(), 2);
  EXPECT_EQ(db->DataSetCount(), 2);
  // A second flag on one connection does not count again.
  a.SetFlag(4, true, "", folder.Path());
  EXPECT_EQ(db->RefCount(), 2);
  a.SetFlag(4, false, "", folder.Path());
  a.SetFlag(0, false, "", folder.Path());
  b.SetFlag(0, false, "", folder.Path());
  EXPECT_EQ(a.Database(), nullptr);
  ASSERT_EQ(Session->FindDatabase(folder.Path()), db) << "kept for the next open";
  EXPECT_TRUE(db->Connected());
  EXPECT_EQ(db->RefCount(), 0);
  Session->Close();
  EXPECT_EQ(Session->DatabaseCount(), 0) << "the session frees its temporary databases";
}

TEST(Database, WithoutKeepConnectionTheTemporaryDatabaseGoesWithItsLastUser) {
  TempFolder folder;
  Session->SetKeepConnections(false);
  TDBConnection a(nullptr, nullptr);
  a.SetFlag(0, true, "", folder.Path());
  ASSERT_NE(a.Database(), nullptr);
  a.SetFlag(0, false, "", folder.Path());
  EXPECT_EQ(Session->FindDatabase(folder.Path()), nullptr);
  Session->SetKeepConnections(true);
}

TEST(Database, NamesAndProperties) {
  TempFolder folder;
  TDatabase first(nullptr);
  first.SetDatabaseName("catalogue");
  TDatabase second(nullptr);
  EXPECT_EQ(MessageOf([&] { second.SetDatabaseName("CATALOGUE"); }),
            "Duplicate database name 'CATALOGUE'");
  EXPECT_EQ(MessageOf([&] { second.Open(); }), "Database name missing");
  second.SetSessionName("nowhere");
  second.SetDatabaseName(folder.Path());
  EXPECT_EQ(MessageOf([&] { second.Open(); }), "Invalid session name nowhere");
  second.SetSessionName("");
  second.Open();
  EXPECT_TRUE(second.Connected());
  EXPECT_FALSE(second.IsSQLBased());
  EXPECT_EQ(MessageOf([&] { second.SetDatabaseName("x"); }),
            "Cannot perform this operation on an open database");
  EXPECT_EQ(MessageOf([&] { second.SetAliasName("x"); }),
            "Cannot perform this operation on an open database");
  second.Close();
  EXPECT_FALSE(second.Connected());
  // Alias and driver name share one text.
  second.SetAliasName("sound");
  EXPECT_EQ(second.AliasName(), "sound");
  EXPECT_EQ(second.DriverName(), "");
  second.SetDriverName("STANDARD");
  EXPECT_EQ(second.AliasName(), "");
  EXPECT_EQ(second.DriverName(), "STANDARD");
}

TEST(Database, ANamedDatabaseTakesOverAnUnusedTemporaryOne) {
  TempFolder folder;
  TDBConnection a(nullptr, nullptr);
  a.SetFlag(0, true, "", folder.Path());
  TDatabase *temporary = a.Database();
  TDatabase named(nullptr);
  EXPECT_EQ(MessageOf([&] { named.SetDatabaseName(folder.Path()); }),
            "Duplicate database name '" + folder.Path() + "'")
      << "still used by a connection";
  a.SetFlag(0, false, "", folder.Path());
  ASSERT_EQ(Session->FindDatabase(folder.Path()), temporary);
  named.SetDatabaseName(folder.Path());
  EXPECT_EQ(Session->FindDatabase(folder.Path()), &named);
}

TEST(Database, AMissingAliasOrFolderIsAnEngineError) {
  TDatabase db(nullptr);
  db.SetDatabaseName("/nonexistent/bsfx/folder");
  try {
    db.Open();
    FAIL() << "opened a missing folder";
  } catch (const EDBEngineError &e) {
    EXPECT_NE(e.ErrorCode(), 0);
    EXPECT_FALSE(e.Message().empty());
  }
  EXPECT_FALSE(db.Connected());
}
