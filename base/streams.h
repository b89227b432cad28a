// Byte streams: the abstract stream, a file stream and a memory stream.
// Blob streams of the dataset layer derive from TStream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/component.h"

enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream : public TObject {
public:
  // Copying between streams moves at most this many bytes at a time.
  static constexpr int64_t kCopyChunk = 61440;

  virtual int64_t Read(void *buffer, int64_t count) = 0;
  virtual int64_t Write(const void *buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soFromBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size);

  // Read or write exactly `count` bytes, raising "Stream read error" /
  // "Stream write error" when fewer move.
  void ReadBuffer(void *buffer, int64_t count);
  void WriteBuffer(const void *buffer, int64_t count);
  // Copies `count` bytes from `source` (0: all of it, from its start) in
  // chunks of at most kCopyChunk bytes; returns the number copied.
  int64_t CopyFrom(TStream &source, int64_t count);
};

// File open modes.
enum TFileMode : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmCreate = 0xFFFF,
};

class TFileStream : public TStream {
public:
  // fmCreate creates or truncates the file ("Cannot create file %s" on
  // failure); the open modes raise "Cannot open file %s".
  TFileStream(const std::string &file_name, unsigned mode);
  ~TFileStream() override;

  int64_t Read(void *buffer, int64_t count) override;
  int64_t Write(const void *buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  const std::string &FileName() const { return file_name_; }

private:
  std::string file_name_;
  int fd_ = -1;
};

class TMemoryStream : public TStream {
public:
  int64_t Read(void *buffer, int64_t count) override;
  int64_t Write(const void *buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;
  void Clear();
  void LoadFromFile(const std::string &file_name);
  void SaveToFile(const std::string &file_name);
  const std::vector<uint8_t> &Memory() const { return data_; }
  std::vector<uint8_t> &Memory() { return data_; }

private:
  std::vector<uint8_t> data_;
  int64_t pos_ = 0;
};
