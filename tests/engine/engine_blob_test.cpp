// Blobs through the C contract: sizes at the edges of the 61,440-byte copy
// chunk, reads past the end, rewriting and emptying, and a blob whose row
// changes while it is open.
#include "tests/engine/engine_fixture.h"

using namespace enginetest;

class Blobs : public EngineTest {
protected:
  std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
      s[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    return s;
  }
  // Inserts a row with a blob of `bytes` and returns nothing; the cursor is
  // left on it.
  void AddBlobRow(hEngCursor c, const std::string &title, const std::string &bytes) {
    std::vector<uint8_t> rec = NewRecord(c);
    PutText(c, rec, kTitle, title);
    ASSERT_OKE(EngineOpenBlob(c, rec.data(), kWav, ENG_OPEN_READWRITE));
    ASSERT_OKE(EngineTruncateBlob(c, rec.data(), kWav, 0));
    // Written in chunks as a blob stream does.
    for (size_t off = 0; off < bytes.size(); off += 61440) {
      uint32_t n = static_cast<uint32_t>(std::min<size_t>(61440, bytes.size() - off));
      ASSERT_OKE(
          EnginePutBlob(c, rec.data(), kWav, static_cast<uint32_t>(off), n, bytes.data() + off));
    }
    ASSERT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
    EXPECT_OKE(EngineFreeBlob(c, rec.data(), kWav));
  }
  std::string ReadAll(hEngCursor c, std::vector<uint8_t> &rec, uint32_t chunk = 61440) {
    EXPECT_OKE(EngineOpenBlob(c, rec.data(), kWav, ENG_OPEN_READONLY));
    uint32_t size = 0;
    EXPECT_OKE(EngineGetBlobSize(c, rec.data(), kWav, &size));
    std::string out;
    std::vector<char> buf(chunk);
    for (;;) {
      uint32_t got = 0;
      DBResult r = EngineGetBlob(c, rec.data(), kWav, static_cast<uint32_t>(out.size()), chunk,
                                 buf.data(), &got);
      out.append(buf.data(), got);
      if (r == DBENG_ERR_ENDOFBLOB) break;
      EXPECT_OKE(r);
      if (r != DBENG_OK || got == 0) break;
    }
    EXPECT_EQ(out.size(), size);
    EngineFreeBlob(c, rec.data(), kWav);
    return out;
  }
};

TEST_F(Blobs, SizesAtTheChunkEdgesComeBackByteForByte) {
  CreateCatalogue();
  hEngCursor c = Open();
  const size_t sizes[] = {0, 1, 61439, 61440, 61441, 1 << 20};
  for (size_t n : sizes)
    AddBlobRow(c, "S" + std::to_string(n), Pattern(n));
  std::vector<uint8_t> rec(RecordSize(c));
  for (size_t n : sizes) {
    std::vector<uint8_t> key = NewRecord(c);
    PutText(c, key, kTitle, "S" + std::to_string(n));
    ASSERT_OKE(EngineGetRecordForKey(c, 0, 1, 0, key.data(), rec.data()));
    std::string got = ReadAll(c, rec);
    EXPECT_EQ(got.size(), n);
    EXPECT_TRUE(got == Pattern(n)) << n;
  }
}

TEST_F(Blobs, ReadsPastTheEndGiveWhatThereIsAndEndOfBlob) {
  CreateCatalogue();
  hEngCursor c = Open();
  AddBlobRow(c, "x", Pattern(61441));
  std::vector<uint8_t> rec(RecordSize(c));
  EngineSetToBegin(c);
  ASSERT_OKE(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  ASSERT_OKE(EngineOpenBlob(c, rec.data(), kWav, ENG_OPEN_READONLY));
  std::vector<char> buf(61440);
  uint32_t got = 0;
  ASSERT_OKE(EngineGetBlob(c, rec.data(), kWav, 0, 61440, buf.data(), &got));
  EXPECT_EQ(got, 61440u);
  EXPECT_EQ(EngineGetBlob(c, rec.data(), kWav, 61440, 61440, buf.data(), &got),
            DBENG_ERR_ENDOFBLOB);
  EXPECT_EQ(got, 1u);
  EXPECT_EQ(buf[0], Pattern(61441)[61440]);
  EXPECT_EQ(EngineGetBlob(c, rec.data(), kWav, 70000, 10, buf.data(), &got), DBENG_ERR_ENDOFBLOB);
  EXPECT_EQ(got, 0u);
  // Writing through a read-only blob is refused.
  EXPECT_EQ(EnginePutBlob(c, rec.data(), kWav, 0, 1, "x"), DBENG_ERR_NOTEDITING);
  EXPECT_OKE(EngineFreeBlob(c, rec.data(), kWav));
  EXPECT_EQ(EngineGetBlob(c, rec.data(), kWav, 0, 1, buf.data(), &got), DBENG_ERR_BLOBNOTOPEN);
  // A blob field of an empty (blank) record reads as empty.
  std::vector<uint8_t> blank = NewRecord(c);
  ASSERT_OKE(EngineOpenBlob(c, blank.data(), kWav, ENG_OPEN_READONLY));
  uint32_t size = 7;
  EXPECT_OKE(EngineGetBlobSize(c, blank.data(), kWav, &size));
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(EngineGetBlob(c, blank.data(), kWav, 0, 10, buf.data(), &got), DBENG_ERR_ENDOFBLOB);
  EngineFreeBlob(c, blank.data(), kWav);
  EXPECT_EQ(EngineOpenBlob(c, rec.data(), kTitle, ENG_OPEN_READONLY), DBENG_ERR_NOTABLOB);
}

TEST_F(Blobs, ModifyingRewritesOrEmptiesAndDeletingRemovesTheBytes) {
  CreateCatalogue();
  hEngCursor c = Open();
  AddBlobRow(c, "x", Pattern(5000));
  std::vector<uint8_t> rec(RecordSize(c));
  EngineSetToBegin(c);
  ASSERT_OKE(EngineGetNextRecord(c, ENG_WRITELOCK, rec.data(), nullptr));
  // Partial overwrite in the middle keeps the rest.
  ASSERT_OKE(EngineOpenBlob(c, rec.data(), kWav, ENG_OPEN_READWRITE));
  ASSERT_OKE(EnginePutBlob(c, rec.data(), kWav, 10, 3, "abc"));
  uint32_t size = 0;
  EXPECT_OKE(EngineGetBlobSize(c, rec.data(), kWav, &size));
  EXPECT_EQ(size, 5000u);
  // Another cursor still sees the stored bytes until the record is posted.
  hEngCursor other = Open();
  std::vector<uint8_t> orec(RecordSize(other));
  EngineGetNextRecord(other, ENG_NOLOCK, orec.data(), nullptr);
  EXPECT_TRUE(ReadAll(other, orec) == Pattern(5000));
  ASSERT_OKE(EngineModifyRecord(c, rec.data(), 1));
  std::string expected = Pattern(5000);
  expected.replace(10, 3, "abc");
  ASSERT_OKE(EngineGetRecord(other, ENG_NOLOCK, orec.data(), nullptr));
  EXPECT_TRUE(ReadAll(other, orec) == expected);
  // Truncating to nothing leaves an empty blob.
  ASSERT_OKE(EngineGetRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  ASSERT_OKE(EngineOpenBlob(c, rec.data(), kWav, ENG_OPEN_READWRITE));
  ASSERT_OKE(EngineTruncateBlob(c, rec.data(), kWav, 0));
  ASSERT_OKE(EngineModifyRecord(c, rec.data(), 0));
  ASSERT_OKE(EngineGetRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(ReadAll(c, rec), "");
}

TEST_F(Blobs, ABlobWhoseRowChangesWhileOpenReportsTheChange) {
  CreateCatalogue();
  hEngCursor c = Open(), w = Open();
  AddBlobRow(c, "x", Pattern(100000));
  std::vector<uint8_t> rec(RecordSize(c)), wrec(RecordSize(w));
  EngineSetToBegin(c);
  ASSERT_OKE(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  ASSERT_OKE(EngineOpenBlob(c, rec.data(), kWav, ENG_OPEN_READONLY));
  std::vector<char> buf(1000);
  uint32_t got = 0;
  ASSERT_OKE(EngineGetBlob(c, rec.data(), kWav, 0, 1000, buf.data(), &got));
  // Another cursor replaces the bytes.
  EngineGetNextRecord(w, ENG_NOLOCK, wrec.data(), nullptr);
  ASSERT_OKE(EngineOpenBlob(w, wrec.data(), kWav, ENG_OPEN_READWRITE));
  ASSERT_OKE(EngineTruncateBlob(w, wrec.data(), kWav, 0));
  ASSERT_OKE(EnginePutBlob(w, wrec.data(), kWav, 0, 3, "new"));
  ASSERT_OKE(EngineModifyRecord(w, wrec.data(), 0));
  EXPECT_EQ(EngineGetBlob(c, rec.data(), kWav, 1000, 1000, buf.data(), &got), DBENG_ERR_BLOBSTALE);
  EXPECT_EQ(got, 0u);
  EngineFreeBlob(c, rec.data(), kWav);
  ASSERT_OKE(EngineGetRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(ReadAll(c, rec), "new");
}
