// The catalogue the search tests work on: the sample rows under the alias
// "sound" of an engine configuration made for the test binary, plus an
// empty table of the same shape.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "search/wwtable.h"
#include "tests/data/table_fixture.h"

class SearchEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    folder_ = std::make_unique<TempFolder>();
    const std::string config = folder_->Path() + "/dbeng.cfg";
    FILE *f = std::fopen(config.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "[\\DATABASES\\sound\\DB INFO]\nTYPE=STANDARD\nPATH=%s\n",
                 folder_->Path().c_str());
    std::fclose(f);
    setenv("DBENG_CONFIG", config.c_str(), 1);
    MakeCatalogueIn(folder_->Path(), "bonussfx.db", SampleRows());
    MakeCatalogueIn(folder_->Path(), "empty.db", {});
  }
  void TearDown() override {
    DoneSessions();
    folder_.reset();
  }

private:
  std::unique_ptr<TempFolder> folder_;
};

inline ::testing::Environment *const kSearchEnvironment =
    ::testing::AddGlobalTestEnvironment(new SearchEnvironment);

// A catalogue table as the window sets it up, open.
inline std::unique_ptr<TwwTable> OpenCatalogue(const std::string &table = "bonussfx.db") {
  auto t = std::make_unique<TwwTable>(nullptr);
  t->SetDatabaseName("sound");
  t->SetTableName(table);
  t->SetReadOnly(true);
  t->Open();
  return t;
}

inline std::string Title(TDataSet *t) {
  return t->FieldByName("TITLE")->AsString();
}

// Handles events until `done` holds or `ms` passed; returns `done()`.
template <class F> bool WaitFor(F done, int ms = 3000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms)
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}
