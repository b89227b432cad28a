// The catalogue the window opens in the app tests: a small table protected
// by "walrus" in a temporary folder, reached through the alias "sound" of an
// engine configuration made for the test binary. "Dog barking" holds a short
// WAV; the other rows have no sound.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "data/table.h"
#include "platform/mci/mci.h"
#include "tests/data/table_fixture.h"
#include "tests/support/wav_fixtures.h"

// The bytes of the one sound in the test catalogue.
inline const std::string &CatalogueWavBytes() {
  static const std::string bytes =
      fixtures::PcmWavBytes(22050, 1, fixtures::Tone(22050, 1, 2205), -1);
  return bytes;
}

class CatalogueEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    // Sounds play into a silent output that keeps real time.
    MciSetAudioOutput(MciAudioOutput::Silent);
    folder_ = std::make_unique<TempFolder>();
    const std::string config = folder_->Path() + "/dbeng.cfg";
    FILE *f = std::fopen(config.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "[\\DATABASES\\sound\\DB INFO]\nTYPE=STANDARD\nPATH=%s\n",
                 folder_->Path().c_str());
    std::fclose(f);
    setenv("DBENG_CONFIG", config.c_str(), 1);
    MakeCatalogueIn(folder_->Path(), "bonussfx.db", SampleRows(), "walrus");

    // The sound goes in through a writable table of its own.
    Session->AddPassword("walrus");
    {
      TTable writer(nullptr);
      writer.SetDatabaseName("sound");
      writer.SetTableName("bonussfx.db");
      writer.Open();
      ASSERT_TRUE(writer.FindKey({TVariant("Dog barking")}));
      writer.Edit();
      writer.FieldByName("WAV")->SetAsString(CatalogueWavBytes());
      writer.Post();
      writer.Close();
    }
    Session->RemoveAllPasswords();
  }
  void TearDown() override {
    DoneSessions();
    folder_.reset();
  }

private:
  std::unique_ptr<TempFolder> folder_;
};

inline ::testing::Environment *const kCatalogueEnvironment =
    ::testing::AddGlobalTestEnvironment(new CatalogueEnvironment);
