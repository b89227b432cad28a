#include "media/private_temp.h"

#include "base/exception.h"
#include "base/format.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A directory that is ours, not a link, and closed to everybody else.
bool Trusted(const std::string &dir) {
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

// Removes the folders (named after a process number) that programs which
// have ended left in `base`, with the files in them. Links are removed, not
// followed.
void RemoveFoldersOfEndedPrograms(const std::string &base) {
  DIR *dir = ::opendir(base.c_str());
  if (!dir) return;
  while (dirent *e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const long pid = std::strtol(name.c_str(), nullptr, 10);
    if (pid <= 0 || pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
      continue;
    const std::string folder = base + "/" + name;
    if (!Trusted(folder)) continue;
    if (DIR *inner = ::opendir(folder.c_str())) {
      while (dirent *f = ::readdir(inner)) {
        const std::string file = f->d_name;
        if (file != "." && file != "..") ::unlink((folder + "/" + file).c_str());
      }
      ::closedir(inner);
    }
    ::rmdir(folder.c_str());
  }
  ::closedir(dir);
}

std::string MakeFolder() {
  std::string base;
  const char *runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime == '/' && Trusted(runtime)) {
    base = std::string(runtime) + "/bonussfx";
  } else {
    const char *tmp = std::getenv("TMPDIR");
    std::string t = tmp && *tmp == '/' ? tmp : "/tmp";
    base = t + "/bonussfx-" + std::to_string(::getuid());
  }
  if (::mkdir(base.c_str(), 0700) != 0 && errno != EEXIST) base.clear();
  if (!base.empty() && Trusted(base)) {
    // One folder per running program inside the user's folder, so that two
    // programs (two windows, or the window and sfxcat) never write over each
    // other's "$$$.WAV" between writing it and opening it.
    RemoveFoldersOfEndedPrograms(base);
    const std::string own = base + "/" + std::to_string(::getpid());
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return base + "/";
    if (Trusted(own)) return own + "/";
  }
  // The usual name is taken by something we cannot trust: a unique folder.
  const char *tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/bonussfx-XXXXXX";
  if (::mkdtemp(templ.data()) && Trusted(templ)) return templ + "/";
  throw EFCreateError(Format("Cannot create file %s", {templ}));
}

} // namespace

std::string PrivateTempFolder() {
  static std::mutex lock;
  static std::string folder;
  static pid_t owner = 0;
  std::lock_guard guard(lock);
  // Checked at every call: the folder may have been removed (a runtime
  // folder goes at log-out) or replaced, and a forked child needs its own.
  if (folder.empty() || owner != ::getpid() || !Trusted(folder.substr(0, folder.size() - 1))) {
    folder = MakeFolder();
    owner = ::getpid();
  }
  return folder;
}

void WritePrivateFile(const std::string &path, const void *data, std::size_t size) {
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::open(path.c_str(), flags, 0600);
  if (fd < 0 && errno == EEXIST) {
    // Whatever stands there (an old file, a planted link) is removed, never
    // followed; the name is then created afresh.
    ::unlink(path.c_str());
    fd = ::open(path.c_str(), flags, 0600);
  }
  if (fd < 0) throw EFCreateError(Format("Cannot create file %s", {path}));
  const char *p = static_cast<const char *>(data);
  std::size_t left = size;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      ::unlink(path.c_str());
      throw EWriteError("Stream write error");
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) {
    ::unlink(path.c_str());
    throw EWriteError("Stream write error");
  }
}

bool FolderUsable(const std::string &folder) {
  struct stat st {};
  return !folder.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         ::access(folder.c_str(), X_OK | W_OK) == 0;
}
