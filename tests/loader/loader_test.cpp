// The binder against stand-in engine libraries. Its state (the loaded
// library, the use count, the bound slots) lives for the whole process, so
// every scenario runs in a child process of its own.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/engine/engine_api.h"

namespace {

const std::string kFakes = FAKE_ROOT;

#define CHECK_EQ(a, b)                                                                             \
  do {                                                                                             \
    long long va = static_cast<long long>(a), vb = static_cast<long long>(b);                      \
    if (va != vb) {                                                                                \
      std::fprintf(stderr, "%s:%d: %s is %lld, expected %lld\n", __FILE__, __LINE__, #a, va, vb);  \
      _exit(1);                                                                                    \
    }                                                                                              \
  } while (0)

// The counters of the stand-in library loaded from `folder`, or -1 when that
// library is not in the process.
int Counter(const std::string &folder, const char *what) {
  std::string path = kFakes + "/" + folder + "/libdbeng.so";
  void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!module) return -1;
  auto fn = reinterpret_cast<int (*)(const char *)>(dlsym(module, "FakeCounter"));
  int n = fn ? fn(what) : -2;
  dlclose(module);
  return n;
}

void UsePath(const std::string &path) {
  setenv("DBENG_DLLPATH", path.c_str(), 1);
}

EngEnv Environment() {
  EngEnv env{};
  return env;
}

void RunInChild(void (*scenario)()) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        scenario();
        _exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(EngineLoader, NoLibraryAnywhereThenFoundOnTheNextAttempt) {
  RunInChild([] {
    EngEnv env = Environment();
    UsePath("/nonexistent-folder:" + kFakes + "/empty");
    CHECK_EQ(EngineInit(&env), DBENG_ERR_LIBNOTFOUND);
    CHECK_EQ(engine_binder::EngineLoaded(), false);
    // Nothing was remembered: the next attempt searches again.
    UsePath(kFakes + "/fake_engine_full");
    CHECK_EQ(EngineInit(&env), DBENG_OK);
    CHECK_EQ(engine_binder::EngineLoaded(), true);
    CHECK_EQ(Counter("fake_engine_full", "inits"), 1);
  });
}

TEST(EngineLoader, UseCountKeepsTheLibraryUntilTheLastExit) {
  RunInChild([] {
    EngEnv env = Environment();
    UsePath(kFakes + "/fake_engine_full");
    CHECK_EQ(EngineInit(&env), DBENG_OK);
    CHECK_EQ(EngineInit(&env), DBENG_OK);
    CHECK_EQ(engine_binder::UseCount(), 2);
    CHECK_EQ(EngineExit(), DBENG_OK);
    CHECK_EQ(engine_binder::EngineLoaded(), true);
    CHECK_EQ(Counter("fake_engine_full", "exits"), 1);
    CHECK_EQ(EngineExit(), DBENG_OK);
    CHECK_EQ(engine_binder::UseCount(), 0);
    CHECK_EQ(engine_binder::EngineLoaded(), false);
    CHECK_EQ(Counter("fake_engine_full", "exits"), -1); // released
  });
}

TEST(EngineLoader, MissingEntriesGiveTheirCodes) {
  RunInChild([] {
    EngEnv env = Environment();
    UsePath(kFakes + "/fake_engine_noinit");
    CHECK_EQ(EngineInit(&env), DBENG_ERR_INITNOTEXPORTED);
    CHECK_EQ(engine_binder::EngineLoaded(), false);
    CHECK_EQ(Counter("fake_engine_noinit", "lookups"), -1); // a failed init releases it
  });
  RunInChild([] {
    EngEnv env = Environment();
    UsePath(kFakes + "/fake_engine_noexit");
    CHECK_EQ(EngineInit(&env), DBENG_OK);
    CHECK_EQ(EngineExit(), DBENG_ERR_NOTEXPORTED);
    CHECK_EQ(engine_binder::UseCount(), 1); // nothing else changed
  });
}

TEST(EngineLoader, AFileThatIsNotALibraryIsNotLoadable) {
  RunInChild([] {
    std::string dir = kFakes + "/garbage";
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/libdbeng.so") << "this is not a shared library";
    UsePath(dir);
    EngEnv env = Environment();
    CHECK_EQ(EngineInit(&env), DBENG_ERR_LIBNOTLOADED);
  });
}

TEST(EngineLoader, OperationsBindOnFirstCallAndUnexportedOnesNeverEnter) {
  RunInChild([] {
    UsePath(kFakes + "/fake_engine_full");
    hEngSession ses = 0;
    CHECK_EQ(EngineGetCurrentSession(&ses), DBENG_OK);
    CHECK_EQ(ses, 0x01000001);
    int lookups = Counter("fake_engine_full", "lookups");
    CHECK_EQ(EngineGetCurrentSession(&ses), DBENG_OK);
    // Bound: the second call went straight to the operation.
    CHECK_EQ(Counter("fake_engine_full", "lookups"), lookups);
    CHECK_EQ(Counter("fake_engine_full", "operations"), 2);
    EngCurProps props{};
    CHECK_EQ(EngineGetCursorProperties(1, &props), DBENG_ERR_NOTEXPORTED);
    CHECK_EQ(EngineGetCursorProperties(1, &props), DBENG_ERR_NOTEXPORTED);
    CHECK_EQ(Counter("fake_engine_full", "operations"), 2);
    // The library's own init entry ran once, however many slots were bound.
    CHECK_EQ(Counter("fake_engine_full", "dllinits"), 1);
  });
}

TEST(EngineLoader, LazyBindingWithoutAnyLibrary) {
  RunInChild([] {
    UsePath(kFakes + "/empty");
    hEngSession ses = 0;
    CHECK_EQ(EngineGetCurrentSession(&ses), DBENG_ERR_LAZYLIBNOTLOADED);
    CHECK_EQ(EngineGetCurrentSession(&ses), DBENG_ERR_LAZYLIBNOTLOADED);
  });
}

TEST(EngineLoader, AFolderEndingInASlashGetsNoSecondOne) {
  RunInChild([] {
    UsePath(kFakes + "/fake_engine_full/");
    EngEnv env = Environment();
    CHECK_EQ(EngineInit(&env), DBENG_OK);
    std::string path = kFakes + "/fake_engine_full/libdbeng.so";
    void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    Dl_info info{};
    CHECK_EQ(module != nullptr, true);
    CHECK_EQ(dladdr(dlsym(module, "FakeCounter"), &info) != 0, true);
    // The loader keeps the name it was given: it must be the joined path.
    CHECK_EQ(std::string(info.dli_fname) == path, true);
    dlclose(module);
  });
}

// The real engine: a program that starts it and ends without ending it
// (a crash handler, an early exit) still exits normally.
TEST(EngineLoader, ProgramMayExitWithoutEndingTheEngine) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        UsePath(std::string(BSFX_BINARY_DIR) + "/bin");
        EngEnv env = Environment();
        if (EngineInit(&env) != DBENG_OK) _exit(3);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

} // namespace
