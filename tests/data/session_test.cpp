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

