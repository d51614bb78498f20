#pragma once
// Reading and whole-file saving for the data file commands. A failure throws CommandError with the
// text of IoErrorText, which the window shows in its general error box. The system calls go through
// FileSystem, so that tests can make any of them fail (as root, permissions never do).

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

#include "core/messages.h"

namespace orvelt {

// The system calls of the same names: the same results, errno set on failure. This base class makes
// the real calls; tests override single ones.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual ssize_t Read(int fd, void* buffer, size_t size);
  virtual ssize_t Write(int fd, const void* buffer, size_t size);
  virtual int Fchmod(int fd, mode_t mode);
  virtual int Fsync(int fd);
  virtual int Close(int fd);
  virtual int Stat(const char* path, struct stat* status);
  virtual int Lstat(const char* path, struct stat* status);
  virtual ssize_t Readlink(const char* path, char* buffer, size_t size);
  virtual int Statvfs(const char* path, struct statvfs* status);
  virtual int Linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags);
  virtual int Rename(const char* from, const char* to);
  virtual int Unlink(const char* path);
  // The names in a folder ("." and ".." left out): opendir, readdir and closedir in one.
  virtual int ReadFolder(const char* path, std::vector<std::string>& names);
};

FileSystem& SystemFileSystem();

// The message of each failure:
//   ENOENT                                  kFileNotFound
//   ENOTDIR, ENAMETOOLONG, ELOOP, EISDIR    kInvalidFileName (no such folder, a folder named)
//   EMFILE, ENFILE                          kTooManyOpenFiles
//   EACCES, EPERM                           kAccessDenied
//   EROFS                                   kReadOnlyMedium
//   anything else, e.g. ENOSPC              kIoError, with the errno value in decimal
const Message& IoErrorMessage(int error);
// Its text (UTF-8).
std::string IoErrorText(int error);

// Whether `path` names a regular file (through symbolic links). Folders, devices and pipes are no
// data files: opening one would fail or never end.
bool FileExists(const QString& path, FileSystem& files = SystemFileSystem());

// A file open for reading, read in the pieces the caller asks for, so that a reader takes no more
// of a file than it needs. Every failure throws; when reading fails and closing fails too, the
// closing is reported.
class InputFile {
 public:
  InputFile(const QString& path, FileSystem& files = SystemFileSystem());
  // Closes a file that Close did not, on the way out of a failure elsewhere.
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Up to `size` bytes appended to `bytes`, in one read: how many came, 0 at the end of the file.
  qsizetype Read(QByteArray& bytes, qsizetype size);
  void Close();

 private:
  FileSystem& files_;
  int fd_ = -1;
};

// The file a save of `path` writes: a symbolic link, dangling or not, followed to the end of its
// chain, a relative one from the link's own folder as the system does; any other name as it is.
// Throws for a chain that does not end (kInvalidFileName) and for a target on a medium mounted
// read-only, so that this is known before anything is asked.
QString SaveTarget(const QString& path, FileSystem& files = SystemFileSystem());

// Replaces the file's content with `bytes`, or leaves everything as it was and throws:
// - an existing target that cannot be opened for writing (read-only), or that is no regular file,
//   is refused untouched;
// - the content goes to an unnamed file in the target's folder (O_TMPFILE), which is flushed to
//   disk and only then linked in: under the target's name when there was no file of that name,
//   else under a fresh name ".orvelt-XXXXXXXX.tmp" that is at once renamed over the target. So a
//   save killed at any moment leaves the old file or the new one and, but for the instant between
//   the link and the rename, no file of its own. Where the file system has no unnamed files, a
//   temporary file of that name is created, written, flushed and renamed, and removed on any
//   failure;
// - before writing, the temporaries of that name left in the folder by a save that was killed,
//   regular files older than a minute, are removed; nothing else, and no link is followed;
// - after the rename the folder is flushed too, so that the new name survives a power cut; a
//   failure there is reported although the file already holds the new content (a folder we may
//   not read, or a file system that flushes no folders, is no failure);
// - it gets the target's permission bits, or for a new file what creating one gives (0666 less the
//   umask and default ACLs); the owner is the saving user;
// - a symbolic link stays a link: its target, as SaveTarget finds it, is replaced or created;
// - a missing folder is reported as an invalid name, not as a missing file.
void SaveWholeFile(const QString& path, QByteArrayView bytes,
                   FileSystem& files = SystemFileSystem());

}  // namespace orvelt
