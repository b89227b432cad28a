#include "base/streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "base/exception.h"
#include "base/format.h"

int64_t TStream::Size() {
  int64_t pos = Seek(0, soFromCurrent);
  int64_t size = Seek(0, soFromEnd);
  Seek(pos, soFromBeginning);
  return size;
}

void TStream::SetSize(int64_t) {
  throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void *buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void *buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream &source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  int64_t total = count;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kCopyChunk)));
  while (count > 0) {
    int64_t n = std::min(count, kCopyChunk);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    count -= n;
  }
  return total;
}

TFileStream::TFileStream(const std::string &file_name, unsigned mode) : file_name_(file_name) {
  if (mode == fmCreate) {
    fd_ = ::open(file_name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw EFCreateError(Format("Cannot create file %s", {file_name}));
  } else {
    int flags = (mode & 3) == fmOpenWrite       ? O_WRONLY
                : (mode & 3) == fmOpenReadWrite ? O_RDWR
                                                : O_RDONLY;
    fd_ = ::open(file_name.c_str(), flags | O_CLOEXEC);
    if (fd_ < 0) throw EFOpenError(Format("Cannot open file %s", {file_name}));
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void *buffer, int64_t count) {
  int64_t done = 0;
  auto *p = static_cast<char *>(buffer);
  while (done < count) {
    ssize_t n = ::read(fd_, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Write(const void *buffer, int64_t count) {
  int64_t done = 0;
  auto *p = static_cast<const char *>(buffer);
  while (done < count) {
    ssize_t n = ::write(fd_, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break; // a full disk ends the write short; the caller raises
    done += n;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == soFromBeginning ? SEEK_SET : origin == soFromCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

void TFileStream::SetSize(int64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
    throw EStreamError(Format("Cannot resize file %s: %s", {file_name_, std::strerror(errno)}));
}

int64_t TMemoryStream::Read(void *buffer, int64_t count) {
  if (count <= 0 || pos_ >= Size()) return 0;
  int64_t n = std::min(count, Size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void *buffer, int64_t count) {
  if (count <= 0 || pos_ < 0) return 0;
  if (pos_ + count > Size()) data_.resize(static_cast<size_t>(pos_ + count));
  std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
  pos_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
  case soFromBeginning:
    pos_ = offset;
    break;
  case soFromCurrent:
    pos_ += offset;
    break;
  case soFromEnd:
    pos_ = Size() + offset;
    break;
  }
  return pos_;
}

void TMemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  pos_ = std::min(pos_, size);
}

void TMemoryStream::Clear() {
  data_.clear();
  pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string &file_name) {
  TFileStream f(file_name, fmOpenRead);
  Clear();
  CopyFrom(f, 0);
  pos_ = 0;
}

void TMemoryStream::SaveToFile(const std::string &file_name) {
  TFileStream f(file_name, fmCreate);
  f.WriteBuffer(data_.data(), Size());
}
