// The binder: loading the engine library, the use count, binding by number.
#include "data/engine/engine_api.h"

#include <gtest/gtest.h>

#include <set>

TEST(EngineBinder, InitCountsUsesAndExitReleasesAtZero) {
  EngEnv env{};
  std::snprintf(env.language, sizeof env.language, "0009");
  ASSERT_EQ(EngineInit(&env), DBENG_OK);
  EXPECT_TRUE(engine_binder::EngineLoaded());
  // A second start of a running engine is reported and still counts.
  EXPECT_EQ(EngineInit(&env), DBENG_ERR_ALREADYINIT);
  EXPECT_EQ(engine_binder::UseCount(), 1u);
  EXPECT_EQ(EngineExit(), DBENG_OK);
  EXPECT_FALSE(engine_binder::EngineLoaded());
  EXPECT_EQ(EngineExit(), DBENG_ERR_NOTEXPORTED);
}

TEST(EngineBinder, EverySlotHasADistinctNumberTheLibraryExports) {
  size_t count = 0;
  const engine_binder::SlotInfo *slots = engine_binder::Slots(&count);
  ASSERT_GT(count, 70u);
  std::set<uint16_t> numbers;
  for (size_t i = 0; i < count; ++i)
    EXPECT_TRUE(numbers.insert(slots[i].number).second);
  ASSERT_EQ(EngineInit(nullptr), DBENG_OK);
  // Bound lazily through the lookup export: an error text for a known code.
  char msg[128] = {};
  EXPECT_EQ(EngineGetErrorString(DBENG_ERR_EOF, msg), DBENG_OK);
  EXPECT_NE(msg[0], '\0');
  EXPECT_EQ(EngineExit(), DBENG_OK);
}
