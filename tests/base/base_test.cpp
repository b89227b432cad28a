#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "base/component.h"
#include "base/exception.h"
#include "base/format.h"
#include "base/streams.h"
#include "base/strings.h"
#include "base/text.h"

namespace {

std::vector<std::string> g_log;

class Probe : public TComponent {
public:
  Probe(TComponent *owner, std::string name) : TComponent(owner) { SetName(std::move(name)); }
  ~Probe() override { g_log.push_back("free " + Name()); }
  void Notification(TComponent *c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove) g_log.push_back(Name() + " told of " + c->Name());
  }
};

TEST(Component, OwnedComponentsFreedLastCreatedFirstAndWatchersTold) {
  g_log.clear();
  auto *watcher = new Probe(nullptr, "watcher");
  {
    Probe owner(nullptr, "owner");
    auto *a = new Probe(&owner, "a");
    new Probe(&owner, "b");
    a->FreeNotification(watcher);
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.FindComponent("B")->Name(), "b");
    EXPECT_EQ(a->ComponentIndex(), 0);
  }
  EXPECT_EQ(g_log,
            (std::vector<std::string>{"free owner", "free b", "free a", "watcher told of a"}));
  g_log.clear();
  delete watcher;
}

TEST(Component, FreeingOneOwnedComponentLeavesTheOthers) {
  Probe owner(nullptr, "owner");
  auto *a = new Probe(&owner, "a");
  new Probe(&owner, "b");
  g_log.clear();
  delete a;
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0)->Name(), "b");
  EXPECT_EQ(g_log, (std::vector<std::string>{"free a", "owner told of a", "b told of a"}));
}

TEST(Format, FillsPlaceholdersInOrder) {
  EXPECT_EQ(Format("Field '%s' not found", {"TITLE"}), "Field 'TITLE' not found");
  EXPECT_EQ(Format("error $%.4x", {0x2108}), "error $2108");
  EXPECT_EQ(Format("%d of %s, %g%%", {3, "ten", 2.5}), "3 of ten, 2.5%");
  EXPECT_EQ(Format("%s and %s", {"one"}), "one and %s");
}

TEST(Text, CaseFoldingGoesBeyondAscii) {
  EXPECT_EQ(AnsiUpperCase("dog ärger éclair"), "DOG ÄRGER ÉCLAIR");
  EXPECT_TRUE(AnsiSameText("Straße", "STRAßE"));
  EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
  EXPECT_EQ(AnsiUpperCase(std::string("a\xff"
                                      "b")),
            std::string("A\xff"
                        "B"));
}

TEST(Text, TruncationNeverSplitsACharacter) {
  EXPECT_EQ(Utf8Truncate("abcé", 4), "abc");
  EXPECT_EQ(Utf8Truncate("abcé", 5), "abcé");
  EXPECT_EQ(Utf8Truncate("日本", 4), "日");
  EXPECT_EQ(Utf8Length("日本x"), 3u);
}

TEST(Streams, CopyMovesChunksAndReportsShortReads) {
  TMemoryStream src, dst;
  std::vector<uint8_t> bytes(61441);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(i * 7);
  src.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(dst.CopyFrom(src, 0), 61441);
  EXPECT_EQ(dst.Memory(), bytes);
  src.SetPosition(61000);
  EXPECT_THROW(dst.CopyFrom(src, 1000), EReadError);
}

TEST(Streams, CopyOfAllStartsAtTheBeginningAndCopyOfNothingWritesNothing) {
  TMemoryStream src, dst;
  src.WriteBuffer("0123456789", 10);
  src.SetPosition(7); // count 0 means all of it, wherever the source stood
  EXPECT_EQ(dst.CopyFrom(src, 0), 10);
  EXPECT_EQ(std::string(dst.Memory().begin(), dst.Memory().end()), "0123456789");
  EXPECT_EQ(src.Position(), 10);
  // A given count copies from where the source stands.
  src.SetPosition(4);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(src, 3), 3);
  EXPECT_EQ(std::string(part.Memory().begin(), part.Memory().end()), "456");
  TMemoryStream none, out;
  EXPECT_EQ(out.CopyFrom(none, 0), 0);
  EXPECT_EQ(out.Size(), 0);
}

TEST(Streams, FileStreamCreateFailureNamesTheFile) {
  try {
    TFileStream f("/nonexistent-dir/x.wav", fmCreate);
    FAIL();
  } catch (const EFCreateError &e) {
    EXPECT_EQ(e.Message(), "Cannot create file /nonexistent-dir/x.wav");
  }
  auto path = std::filesystem::temp_directory_path() / "bsfx_base_stream.bin";
  {
    TFileStream f(path.string(), fmCreate);
    f.WriteBuffer("hello", 5);
    EXPECT_EQ(f.Size(), 5);
  }
  TMemoryStream m;
  m.LoadFromFile(path.string());
  EXPECT_EQ(std::string(m.Memory().begin(), m.Memory().end()), "hello");
  std::filesystem::remove(path);
}

TEST(StringList, NameValuePairsAndText) {
  TStringList l;
  l.SetText("PATH=/tmp\r\nTYPE=STANDARD\n");
  EXPECT_EQ(l.Count(), 2);
  EXPECT_EQ(l.Values("path"), "/tmp");
  l.SetValues("TYPE", "");
  EXPECT_EQ(l.Text(), "PATH=/tmp\n");
  EXPECT_EQ(l.IndexOf("path=/TMP"), 0);
}

} // namespace
