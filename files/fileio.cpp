#include "files/fileio.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>

#include "core/arith.h"

namespace orvelt {

namespace {

constexpr int kTempNameTries = 100;
// A temporary of ours this old belongs to no save under way: saves take milliseconds.
constexpr time_t kStaleSeconds = 60;
constexpr char kTempPrefix[] = ".orvelt-", kTempSuffix[] = ".tmp";
constexpr qsizetype kTempDigits = 8;

[[noreturn]] void Fail(int error) {
  throw CommandError(IoErrorMessage(error), {std::to_string(error)});
}

// The target's folder with its closing "/", so that a name appended lands in it; empty for a
// name without one, which lies in the current folder.
QByteArray FolderOf(const QByteArray& target) {
  return target.left(target.lastIndexOf('/') + 1);
}

// The folder as a path of its own.
QByteArray FolderPath(const QByteArray& folder) {
  return folder.isEmpty() ? QByteArray(".") : folder;
}

// The system's own bound on the links a name may pass through.
constexpr int kMaxLinks = 40;

QByteArray FinalTarget(const QByteArray& path, FileSystem& files) {
  QByteArray target = path;
  for (int links = 0;; ++links) {
    char buffer[PATH_MAX];
    const ssize_t n = files.Readlink(target.constData(), buffer, sizeof buffer);
    if (n < 0) {
      // No link (EINVAL), or nothing there yet: the save decides.
      if (errno == EINVAL || errno == ENOENT || errno == ENOTDIR) return target;
      Fail(errno);
    }
    if (links == kMaxLinks) Fail(ELOOP);
    if (static_cast<size_t>(n) == sizeof buffer) Fail(ENAMETOOLONG);
    const QByteArray link(buffer, n);
    target = link.startsWith('/') ? link : FolderOf(target) + link;
  }
}

QByteArray TempName() {
  return kTempPrefix +
         QByteArray::number(QRandomGenerator::global()->generate(), 16)
             .rightJustified(kTempDigits, '0') +
         kTempSuffix;
}

bool IsTempName(const std::string& name) {
  const QByteArrayView n(name.data(), qsizetype(name.size()));
  const QByteArrayView prefix(kTempPrefix), suffix(kTempSuffix);
  if (n.size() != prefix.size() + kTempDigits + suffix.size() || !n.startsWith(prefix) ||
      !n.endsWith(suffix)) {
    return false;
  }
  const QByteArrayView digits = n.sliced(prefix.size(), kTempDigits);
  return std::all_of(digits.begin(), digits.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// What saves killed before their rename left in the folder. Nothing here may stop the save.
void RemoveStaleTemporaries(FileSystem& files, const QByteArray& folder) {
  std::vector<std::string> names;
  if (files.ReadFolder(FolderPath(folder).constData(), names) != 0) return;
  const time_t now = std::time(nullptr);
  for (const std::string& name : names) {
    if (!IsTempName(name)) continue;
    const QByteArray path = folder + QByteArray::fromStdString(name);
    struct stat status;
    if (files.Lstat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode) ||
        now - status.st_mtime <= kStaleSeconds) {
      continue;
    }
    files.Unlink(path.constData());
  }
}

// The new content on its way to the target: an unnamed file, or where the file system has none a
// temporary file of ours; whatever of it did not get there is removed.
class NewFile {
 public:
  explicit NewFile(FileSystem& files) : files_(files) {}
  ~NewFile() {
    if (fd_ >= 0) files_.Close(fd_);
    if (!path_.isEmpty()) files_.Unlink(path_.constData());
  }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  // False when the file system (or the kernel) has no unnamed files.
  bool OpenUnnamed(const QByteArray& folder) {
    fd_ = files_.Open(FolderPath(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) return true;
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return false;
    FailOpening(errno);
  }

  // Created next to the target, so that renaming stays within one file system.
  void OpenNamed(const QByteArray& folder) {
    int error = EEXIST;
    for (int i = 0; i < kTempNameTries && error == EEXIST; ++i) {
      path_ = folder + TempName();
      fd_ = files_.Open(path_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) return;
      error = errno;
    }
    path_.clear();
    FailOpening(error);
  }

  void Write(QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
      const ssize_t n = files_.Write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail(n < 0 ? errno : EIO);
      bytes = bytes.sliced(n);
    }
  }

  void SetPermissions(mode_t mode) {
    if (files_.Fchmod(fd_, mode) != 0) Fail(errno);
  }

  void Flush() {
    if (files_.Fsync(fd_) != 0) Fail(errno);
  }

  enum class Linked { kAsTarget, kAsTemporary, kImpossible };

  // Gives the unnamed file the name `target` when `claim`, else (or when the name has been taken
  // meanwhile) a fresh temporary name. Impossible without /proc and the privilege to link a
  // descriptor directly (ENOENT), or on a file system without hard links (EPERM).
  Linked Link(const QByteArray& target, bool claim) {
    const auto impossible = [](int error) { return error == ENOENT || error == EPERM; };
    if (claim) {
      if (LinkAs(target) == 0) {
        path_ = target;  // ours until the end: a failure now removes it again
        return Linked::kAsTarget;
      }
      if (impossible(errno)) return Linked::kImpossible;
      if (errno != EEXIST) Fail(errno);
    }
    int error = EEXIST;
    for (int i = 0; i < kTempNameTries && error == EEXIST; ++i) {
      const QByteArray path = FolderOf(target) + TempName();
      if (LinkAs(path) == 0) {
        path_ = path;
        return Linked::kAsTemporary;
      }
      error = errno;
    }
    if (impossible(error)) return Linked::kImpossible;
    Fail(error);
  }

  void Close() {
    const int fd = fd_;
    fd_ = -1;
    if (files_.Close(fd) != 0) Fail(errno);
  }

  void Replace(const QByteArray& target) {
    if (path_ != target && files_.Rename(path_.constData(), target.constData()) != 0) Fail(errno);
    path_.clear();
  }

 private:
  // Links the descriptor's file under `path`; the system's result and errno.
  int LinkAs(const QByteArray& path) {
    if (files_.Linkat(fd_, "", AT_FDCWD, path.constData(), AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT) return -1;
    // Linking a descriptor directly takes a privilege; its name under /proc does not.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
    return files_.Linkat(AT_FDCWD, self.constData(), AT_FDCWD, path.constData(),
                         AT_SYMLINK_FOLLOW);
  }

  // Creating a file, a missing name can only be the folder's: an invalid name, not a lost file.
  [[noreturn]] static void FailOpening(int error) { Fail(error == ENOENT ? ENOTDIR : error); }

  FileSystem& files_;
  QByteArray path_;  // the name it has; removed unless it is the target's by the end
  int fd_ = -1;
};

// The rename is an entry of the folder, which reaches the disk only when the folder is flushed.
void FlushFolder(FileSystem& files, const QByteArray& folder) {
  const int fd = files.Open(FolderPath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  // A folder we may write but not read cannot be flushed by us; some file systems flush no
  // folders (EINVAL). Neither is a failure of the save.
  if (fd < 0) {
    if (errno == EACCES) return;
    Fail(errno);
  }
  if (files.Fsync(fd) != 0 && errno != EINVAL) {
    const int error = errno;
    files.Close(fd);
    Fail(error);
  }
  if (files.Close(fd) != 0) Fail(errno);
}

}  // namespace

int FileSystem::Open(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}
ssize_t FileSystem::Read(int fd, void* buffer, size_t size) {
  return ::read(fd, buffer, size);
}
ssize_t FileSystem::Write(int fd, const void* buffer, size_t size) {
  return ::write(fd, buffer, size);
}
int FileSystem::Fchmod(int fd, mode_t mode) {
  return ::fchmod(fd, mode);
}
int FileSystem::Fsync(int fd) {
  return ::fsync(fd);
}
int FileSystem::Close(int fd) {
  return ::close(fd);
}
int FileSystem::Stat(const char* path, struct stat* status) {
  return ::stat(path, status);
}
int FileSystem::Lstat(const char* path, struct stat* status) {
  return ::lstat(path, status);
}
ssize_t FileSystem::Readlink(const char* path, char* buffer, size_t size) {
  return ::readlink(path, buffer, size);
}
int FileSystem::Statvfs(const char* path, struct statvfs* status) {
  return ::statvfs(path, status);
}
int FileSystem::Linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
  return ::linkat(fromFolder, from, toFolder, to, flags);
}
int FileSystem::Rename(const char* from, const char* to) {
  return ::rename(from, to);
}
int FileSystem::Unlink(const char* path) {
  return ::unlink(path);
}

int FileSystem::ReadFolder(const char* path, std::vector<std::string>& names) {
  DIR* folder = ::opendir(path);
  if (!folder) return -1;
  errno = 0;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int error = errno;
  ::closedir(folder);
  errno = error;
  return error == 0 ? 0 : -1;
}

FileSystem& SystemFileSystem() {
  static FileSystem system;
  return system;
}

const Message& IoErrorMessage(int error) {
  switch (error) {
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EISDIR:
      return kInvalidFileName;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
      return kAccessDenied;
    case EROFS:
      return kReadOnlyMedium;
    default:
      return kIoError;
  }
}

std::string IoErrorText(int error) {
  return MessageText(IoErrorMessage(error), {std::to_string(error)});
}

bool FileExists(const QString& path, FileSystem& files) {
  struct stat status;
  return files.Stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode);
}

InputFile::InputFile(const QString& path, FileSystem& files) : files_(files) {
  fd_ = files_.Open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC, 0);
  if (fd_ < 0) Fail(errno);
}

InputFile::~InputFile() {
  if (fd_ >= 0) files_.Close(fd_);
}

qsizetype InputFile::Read(QByteArray& bytes, qsizetype size) {
  const qsizetype had = bytes.size();
  bytes.resize(had + size);
  for (;;) {
    const ssize_t n = files_.Read(fd_, bytes.data() + had, static_cast<size_t>(size));
    if (n >= 0) {
      bytes.resize(had + n);
      return n;
    }
    if (errno == EINTR) continue;
    const int error = errno;
    bytes.resize(had);
    Close();
    Fail(error);
  }
}

void InputFile::Close() {
  const int fd = fd_;
  fd_ = -1;
  if (fd >= 0 && files_.Close(fd) != 0) Fail(errno);
}

QString SaveTarget(const QString& path, FileSystem& files) {
  const QByteArray target = FinalTarget(QFile::encodeName(path), files);
  // A folder that cannot be looked at is left to the save to report.
  struct statvfs medium;
  if (files.Statvfs(FolderPath(FolderOf(target)).constData(), &medium) == 0 &&
      (medium.f_flag & ST_RDONLY)) {
    Fail(EROFS);
  }
  return QFile::decodeName(target);
}

void SaveWholeFile(const QString& path, QByteArrayView bytes, FileSystem& files) {
  const QByteArray target = FinalTarget(QFile::encodeName(path), files);
  const QByteArray folder = FolderOf(target);
  struct stat status;
  bool exists = true;
  if (files.Stat(target.constData(), &status) != 0) {
    if (errno != ENOENT) Fail(errno);
    exists = false;
  }
  if (exists) {
    // Renaming over a device or a pipe would replace it instead of writing to it.
    if (!S_ISREG(status.st_mode)) Fail(S_ISDIR(status.st_mode) ? EISDIR : EACCES);
    // A file we may not write is refused, even where the folder would let a new one replace it.
    const int fd = files.Open(target.constData(), O_WRONLY | O_CLOEXEC, 0);
    if (fd < 0) Fail(errno);
    files.Close(fd);
  }
  RemoveStaleTemporaries(files, folder);
  const auto write = [&](NewFile& file) {
    file.Write(bytes);
    // Only the permission bits: a set-user-ID bit must not pass to a file of another owner.
    if (exists) file.SetPermissions(status.st_mode & 0777);
    file.Flush();
  };
  bool written = false;
  {
    NewFile file(files);
    if (file.OpenUnnamed(folder)) {
      write(file);
      written = file.Link(target, !exists) != NewFile::Linked::kImpossible;
      if (written) {
        file.Close();
        file.Replace(target);
      }
    }
  }
  if (!written) {
    NewFile file(files);
    file.OpenNamed(folder);
    write(file);
    file.Close();
    file.Replace(target);
  }
  FlushFolder(files, folder);
}

}  // namespace orvelt
