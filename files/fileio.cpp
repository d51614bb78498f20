#include "files/fileio.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdlib>

#include "core/arith.h"

namespace orvelt {

namespace {

constexpr int kTempNameTries = 100;

[[noreturn]] void Fail(int error) {
  throw CommandError(IoErrorText(error));
}

// A symbolic link is followed, so that the file behind it is replaced and the link stays.
QByteArray TargetPath(const QString& path) {
  QByteArray target = QFile::encodeName(path);
  if (char* real = realpath(target.constData(), nullptr)) {
    target = real;
    std::free(real);
  }
  return target;
}

// The new content on its way to the target; removed unless it got there.
class TempFile {
 public:
  // Created next to `target`, so that renaming stays within one file system.
  TempFile(FileSystem& files, const QByteArray& target) : files_(files) {
    const QByteArray folder = target.left(target.lastIndexOf('/') + 1);
    int error = EEXIST;
    for (int i = 0; i < kTempNameTries && error == EEXIST; ++i) {
      path_ =
          folder + ".orvelt-" +
          QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0') +
          ".tmp";
      fd_ = files_.Open(path_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) return;
      error = errno;
    }
    path_.clear();
    // Creating a file, a missing name can only be the folder's: an invalid name, not a lost file.
    Fail(error == ENOENT ? ENOTDIR : error);
  }
  ~TempFile() {
    if (fd_ >= 0) files_.Close(fd_);
    if (!path_.isEmpty()) files_.Unlink(path_.constData());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

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

  void Finish() {
    if (files_.Fsync(fd_) != 0) Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (files_.Close(fd) != 0) Fail(errno);
  }

  void Replace(const QByteArray& target) {
    if (files_.Rename(path_.constData(), target.constData()) != 0) Fail(errno);
    path_.clear();
  }

 private:
  FileSystem& files_;
  QByteArray path_;
  int fd_ = -1;
};

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
int FileSystem::Rename(const char* from, const char* to) {
  return ::rename(from, to);
}
int FileSystem::Unlink(const char* path) {
  return ::unlink(path);
}

FileSystem& SystemFileSystem() {
  static FileSystem system;
  return system;
}

std::string IoErrorText(int error) {
  switch (error) {
    case ENOENT:
      return "ファイルが見つかりません";
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EISDIR:
      return "不正なファイル名です";
    case EMFILE:
    case ENFILE:
      return "オープンしたファイルが多すぎます";
    case EACCES:
    case EPERM:
    case EROFS:
      return "ファイルへのアクセスが拒否されました";
    default:
      return "I/O エラー (" + std::to_string(error) + ")";
  }
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

void SaveWholeFile(const QString& path, QByteArrayView bytes, FileSystem& files) {
  const QByteArray target = TargetPath(path);
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
  TempFile temp(files, target);
  temp.Write(bytes);
  // Only the permission bits: a set-user-ID bit must not pass to a file of another owner.
  if (exists) temp.SetPermissions(status.st_mode & 0777);
  temp.Finish();
  temp.Replace(target);
}

}  // namespace orvelt
