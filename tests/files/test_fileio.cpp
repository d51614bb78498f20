#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <cerrno>
#include <climits>

#include "core/arith.h"
#include "files/fileio.h"
#include "tests/files/file_support.h"

using orvelt::FileExists;
using orvelt::IoErrorText;
using orvelt::InputFile;
using orvelt::SaveWholeFile;

namespace {

// The real calls, except those a test makes fail. Opening an existing file, creating a named one,
// an unnamed one and opening a folder count as different calls, and so do flushing a file and a
// folder. Every call is logged by name.
class FaultyFiles : public orvelt::FileSystem {
 public:
  enum Call {
    kStat, kOpen, kCreate, kTmpFile, kFolder, kRead, kWrite, kFchmod, kFsync, kFolderFsync,
    kClose, kLstat, kLink, kRename, kUnlink, kReadFolder, kReadlink, kStatvfs, kCalls
  };

  // Calls number skip + 1 to skip + times of `call` fail with `error`.
  void Fail(Call call, int error, int skip = 0, int times = INT_MAX) {
    faults_[call] = {error, skip, times};
  }
  // As a file system without unnamed files.
  void NoUnnamedFiles() { Fail(kTmpFile, EOPNOTSUPP); }

  bool readOnlyMedium = false;  // every folder on a medium mounted read-only
  qint64 room = -1;     // when not negative, bytes that can be written before the disk is full
  qint64 maxWrite = 0;  // when positive, the most bytes one write takes
  QStringList calls;

  int Open(const char* path, int flags, mode_t mode) override {
    const Call call = (flags & O_TMPFILE) == O_TMPFILE ? kTmpFile
                      : flags & O_CREAT                ? kCreate
                      : flags & O_DIRECTORY            ? kFolder
                                                       : kOpen;
    if (Faulty(call)) return -1;
    const int fd = FileSystem::Open(path, flags, mode);
    if (call == kFolder && fd >= 0) folders_ << fd;
    return fd;
  }
  ssize_t Read(int fd, void* buffer, size_t size) override {
    return Faulty(kRead) ? -1 : FileSystem::Read(fd, buffer, size);
  }
  ssize_t Write(int fd, const void* buffer, size_t size) override {
    if (Faulty(kWrite)) return -1;
    if (maxWrite > 0) size = std::min<size_t>(size, maxWrite);
    if (room >= 0) {
      if (room == 0) {
        errno = ENOSPC;
        return -1;
      }
      size = std::min<size_t>(size, room);
      room -= size;
    }
    return FileSystem::Write(fd, buffer, size);
  }
  int Fchmod(int fd, mode_t mode) override {
    return Faulty(kFchmod) ? -1 : FileSystem::Fchmod(fd, mode);
  }
  int Fsync(int fd) override {
    return Faulty(folders_.contains(fd) ? kFolderFsync : kFsync) ? -1 : FileSystem::Fsync(fd);
  }
  int Close(int fd) override {
    folders_.remove(fd);
    // The descriptor is released even when closing reports a failure.
    const int result = FileSystem::Close(fd);
    return Faulty(kClose) ? -1 : result;
  }
  int Stat(const char* path, struct stat* status) override {
    return Faulty(kStat) ? -1 : FileSystem::Stat(path, status);
  }
  int Lstat(const char* path, struct stat* status) override {
    return Faulty(kLstat) ? -1 : FileSystem::Lstat(path, status);
  }
  ssize_t Readlink(const char* path, char* buffer, size_t size) override {
    return Faulty(kReadlink) ? -1 : FileSystem::Readlink(path, buffer, size);
  }
  int Statvfs(const char* path, struct statvfs* status) override {
    if (Faulty(kStatvfs) || FileSystem::Statvfs(path, status) != 0) return -1;
    if (readOnlyMedium) status->f_flag |= ST_RDONLY;
    return 0;
  }
  int Linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) override {
    return Faulty(kLink) ? -1 : FileSystem::Linkat(fromFolder, from, toFolder, to, flags);
  }
  int Rename(const char* from, const char* to) override {
    return Faulty(kRename) ? -1 : FileSystem::Rename(from, to);
  }
  int Unlink(const char* path) override {
    return Faulty(kUnlink) ? -1 : FileSystem::Unlink(path);
  }
  int ReadFolder(const char* path, std::vector<std::string>& names) override {
    return Faulty(kReadFolder) ? -1 : FileSystem::ReadFolder(path, names);
  }

 private:
  struct Fault {
    int error = 0, skip = 0, times = 0;
  };

  bool Faulty(Call call) {
    static const char* const kNames[] = {
        "stat",  "open",         "create", "tmpfile", "folder", "read",   "write",  "fchmod",
        "fsync", "fsync folder", "close",  "lstat",   "link",   "rename", "unlink", "read folder",
        "readlink", "statvfs"};
    calls << kNames[call];
    const Fault& f = faults_[call];
    const int n = counts_[call]++;
    if (f.error == 0 || n < f.skip || n - f.skip >= f.times) return false;
    errno = f.error;
    return true;
  }

  std::array<Fault, kCalls> faults_{};
  std::array<int, kCalls> counts_{};
  QSet<int> folders_;
};

// The two ways of writing the new content: an unnamed file, or a named temporary where the file
// system has no unnamed files.
enum Way { kUnnamed, kNamed };
const char* const kWayNames[] = {"unnamed", "named"};

FaultyFiles FilesFor(int way) {
  FaultyFiles files;
  if (way == kNamed) files.NoUnnamedFiles();
  return files;
}

// The text of the CommandError that `action` throws.
template <typename Action>
QString Failure(Action action) {
  try {
    action();
  } catch (const orvelt::CommandError& e) {
    return QString::fromUtf8(e.what());
  }
  return QStringLiteral("(no failure)");
}

const QString kNotFound = QStringLiteral("ファイルが見つかりません");
const QString kInvalidName = QStringLiteral("不正なファイル名です");
const QString kTooMany = QStringLiteral("オープンしたファイルが多すぎます");
const QString kDenied = QStringLiteral("ファイルへのアクセスが拒否されました");
const QString kReadOnly = QStringLiteral("読み取り専用のメディアには書き込めません");

const QByteArray kOld = "ovt110\r\nold content, longer than the new one\r\n";
const QByteArray kNew = "ovt110\r\n1\r\n2.5\r\n" + QByteArray("\r\n").repeated(58);

mode_t Mode(const QString& path) {
  struct stat status;
  return stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode : 0;
}

QStringList Entries(const QTemporaryDir& dir) {
  return Entries(dir.path());
}

int OpenDescriptors() {
  return QDir("/proc/self/fd").entryList(QDir::AllEntries).size();
}

}  // namespace

class TestFileIo : public QObject {
  Q_OBJECT

 private slots:
  void errorTexts_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("ENOENT") << ENOENT << kNotFound;
    QTest::newRow("ENOTDIR") << ENOTDIR << kInvalidName;
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << kInvalidName;
    QTest::newRow("ELOOP") << ELOOP << kInvalidName;
    QTest::newRow("EISDIR") << EISDIR << kInvalidName;
    QTest::newRow("EMFILE") << EMFILE << kTooMany;
    QTest::newRow("ENFILE") << ENFILE << kTooMany;
    QTest::newRow("EACCES") << EACCES << kDenied;
    QTest::newRow("EPERM") << EPERM << kDenied;
    QTest::newRow("EROFS") << EROFS << kReadOnly;
    QTest::newRow("ENOSPC") << ENOSPC << QStringLiteral("I/O エラー (28)");
    QTest::newRow("EIO") << EIO << QStringLiteral("I/O エラー (5)");
    QTest::newRow("ETXTBSY") << ETXTBSY << QStringLiteral("I/O エラー (26)");
    QTest::newRow("EDQUOT") << EDQUOT << QStringLiteral("I/O エラー (122)");
    QTest::newRow("EINVAL") << EINVAL << QStringLiteral("I/O エラー (22)");
  }
  void errorTexts() {
    QFETCH(int, error);
    QFETCH(QString, text);
    QCOMPARE(QString::fromUtf8(IoErrorText(error)), text);
  }

  void fileExists() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("系列.ovt"), link = dir.filePath("link.ovt");
    QVERIFY(Write(file, kOld));
    QVERIFY(QFile::link(file, link));
    QVERIFY(QFile::link(dir.filePath("gone"), dir.filePath("dangling.ovt")));
    QVERIFY(FileExists(file));
    QVERIFY(FileExists(link));
    QVERIFY(!FileExists(dir.filePath("missing.ovt")));
    QVERIFY(!FileExists(dir.filePath("dangling.ovt")));
    QVERIFY(!FileExists(dir.path()));
    QVERIFY(!FileExists("/dev/null"));
    QVERIFY(!FileExists(file + "/x.ovt"));
  }

  // The file in reads of `piece` bytes, closed after the end.
  static QByteArray ReadAll(const QString& path, qsizetype piece,
                            orvelt::FileSystem& files = orvelt::SystemFileSystem()) {
    InputFile file(path, files);
    QByteArray bytes;
    while (file.Read(bytes, piece) > 0) {
    }
    file.Close();
    return bytes;
  }

  void inputFile() {
    QTemporaryDir dir;
    QByteArray bytes;
    for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7 % 256);
    const QString path = dir.filePath("系列.ovt");
    QVERIFY(Write(path, bytes));
    for (const qsizetype piece : {1, 6, 4096, 1 << 20}) QCOMPARE(ReadAll(path, piece), bytes);
    QVERIFY(Write(path, QByteArray()));
    QCOMPARE(ReadAll(path, 10), QByteArray());
  }

  // Each read asks for what the caller asked, appends what came and tells how much.
  void inputFileReadsAsAsked() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ovt");
    QVERIFY(Write(path, "abcdefgh"));
    InputFile file(path);
    QByteArray bytes = "x";
    QCOMPARE(file.Read(bytes, 3), 3);
    QCOMPARE(bytes, QByteArray("xabc"));
    QCOMPARE(file.Read(bytes, 100), 5);
    QCOMPARE(bytes, QByteArray("xabcdefgh"));
    QCOMPARE(file.Read(bytes, 100), 0);
    QCOMPARE(bytes, QByteArray("xabcdefgh"));
    file.Close();
  }

  void readFailures() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ovt");
    QVERIFY(Write(path, kNew));
    const int descriptors = OpenDescriptors();
    QCOMPARE(Failure([&] { ReadAll(dir.filePath("missing.ovt"), 100); }), kNotFound);
    QCOMPARE(Failure([&] { ReadAll(path + "/x.ovt", 100); }), kInvalidName);
    QCOMPARE(Failure([&] { ReadAll(dir.path(), 100); }), kInvalidName);
    {
      FaultyFiles files;
      files.Fail(FaultyFiles::kOpen, EMFILE);
      QCOMPARE(Failure([&] { ReadAll(path, 100, files); }), kTooMany);
    }
    {
      FaultyFiles files;
      files.Fail(FaultyFiles::kOpen, EACCES);
      QCOMPARE(Failure([&] { ReadAll(path, 100, files); }), kDenied);
    }
    {
      FaultyFiles files;
      files.Fail(FaultyFiles::kRead, EIO);
      QCOMPARE(Failure([&] { ReadAll(path, 100, files); }), QStringLiteral("I/O エラー (5)"));
      QCOMPARE(files.calls, (QStringList{"open", "read", "close"}));
    }
    {
      // A failed closing is reported instead of the failed read before it.
      FaultyFiles files;
      files.Fail(FaultyFiles::kRead, EIO);
      files.Fail(FaultyFiles::kClose, EBADF);
      QCOMPARE(Failure([&] { ReadAll(path, 100, files); }), QStringLiteral("I/O エラー (9)"));
    }
    {
      FaultyFiles files;
      files.Fail(FaultyFiles::kClose, EIO);
      QCOMPARE(Failure([&] { ReadAll(path, 100, files); }), QStringLiteral("I/O エラー (5)"));
    }
    {
      FaultyFiles files;
      files.Fail(FaultyFiles::kRead, EINTR, 0, 1);
      QCOMPARE(ReadAll(path, 100, files), kNew);
    }
    {
      // A failure elsewhere while the file is open: it is closed on the way out, once.
      FaultyFiles files;
      QCOMPARE(Failure([&] {
                 InputFile file(path, files);
                 throw orvelt::CommandError(orvelt::kUnknownError);
               }),
               QString::fromUtf8(orvelt::kUnknownError.text));
      QCOMPARE(files.calls, (QStringList{"open", "close"}));
    }
    QCOMPARE(OpenDescriptors(), descriptors);
  }

  void saveNewFile_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("mode");
    for (int way : {kUnnamed, kNamed}) {
      const QByteArray name = kWayNames[way];
      QTest::newRow(name + ", umask 022") << way << 022 << 0644;
      QTest::newRow(name + ", umask 077") << way << 077 << 0600;
      QTest::newRow(name + ", umask 002") << way << 002 << 0664;
    }
  }
  void saveNewFile() {
    QFETCH(int, way);
    QFETCH(int, mask);
    QFETCH(int, mode);
    QTemporaryDir dir;
    const QString path = dir.filePath("系列 1.ovt");
    const mode_t previous = umask(mask);
    FaultyFiles files = FilesFor(way);
    SaveWholeFile(path, kNew, files);
    umask(previous);
    QCOMPARE(Content(path), kNew);
    QCOMPARE(Mode(path), static_cast<mode_t>(S_IFREG | mode));
    QCOMPARE(Entries(dir), QStringList{"系列 1.ovt"});
    // Written and flushed to disk before it gets its name; the folder flushed after that. An
    // unnamed file takes the target's name at once, so nothing else is ever named.
    const QStringList unnamed{"readlink", "stat",  "read folder", "tmpfile",
                              "write",    "fsync", "link",        "close"};
    const QStringList named{"readlink", "stat",  "read folder", "tmpfile", "create",
                            "write",    "fsync", "close",       "rename"};
    const QStringList tail{"folder", "fsync folder", "close"};
    QCOMPARE(files.calls, (way == kUnnamed ? unnamed : named) + tail);
  }

  void saveOverExistingFile_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    for (int way : {kUnnamed, kNamed}) {
      const QByteArray name = kWayNames[way];
      QTest::newRow(name + ", 0640") << way << 0640 << 0640;
      QTest::newRow(name + ", 0604") << way << 0604 << 0604;
      QTest::newRow(name + ", set-user-ID dropped") << way << 04755 << 0755;
    }
  }
  void saveOverExistingFile() {
    QFETCH(int, way);
    QFETCH(int, before);
    QFETCH(int, after);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ovt");
    QVERIFY(Write(path, kOld));
    QCOMPARE(chmod(QFile::encodeName(path).constData(), before), 0);
    FaultyFiles files = FilesFor(way);
    SaveWholeFile(path, kNew, files);
    QCOMPARE(Content(path), kNew);
    QCOMPARE(Mode(path), static_cast<mode_t>(S_IFREG | after));
    QCOMPARE(Entries(dir), QStringList{"a.ovt"});
    const QStringList head{"readlink", "stat", "open", "close", "read folder", "tmpfile"};
    const QStringList unnamed{"write", "fchmod", "fsync", "link", "close"};
    const QStringList named{"create", "write", "fchmod", "fsync", "close"};
    const QStringList tail{"rename", "folder", "fsync folder", "close"};
    QCOMPARE(files.calls, head + (way == kUnnamed ? unnamed : named) + tail);
  }

  // In the current folder, by a name without a folder.
  void saveByBareName() {
    for (int way : {kUnnamed, kNamed}) {
      QTemporaryDir dir;
      const QString previous = QDir::currentPath();
      QVERIFY(QDir::setCurrent(dir.path()));
      FaultyFiles files = FilesFor(way);
      const QString failure = [&] {
        try {
          SaveWholeFile("new.ovt", kNew, files);
          SaveWholeFile("new.ovt", kOld, files);
        } catch (const orvelt::CommandError& e) {
          return QString::fromUtf8(e.what());
        }
        return QString();
      }();
      QDir::setCurrent(previous);
      QCOMPARE(failure, QString());
      QCOMPARE(Content(dir.filePath("new.ovt")), kOld);
      QCOMPARE(Entries(dir), QStringList{"new.ovt"});
    }
  }

  void saveInPieces() {
    for (int way : {kUnnamed, kNamed}) {
      QTemporaryDir dir;
      const QString path = dir.filePath("a.ovt");
      FaultyFiles files = FilesFor(way);
      files.maxWrite = 7;
      files.Fail(FaultyFiles::kWrite, EINTR, 2, 1);
      SaveWholeFile(path, kNew, files);
      QCOMPARE(Content(path), kNew);
      QCOMPARE(files.calls.count("write"), (kNew.size() + 6) / 7 + 1);
    }
  }

  void saveThroughLink() {
    for (int way : {kUnnamed, kNamed}) {
      QTemporaryDir dir;
      QVERIFY(QDir(dir.path()).mkdir("data"));
      const QString real = dir.filePath("data/real.ovt"), link = dir.filePath("link.ovt");
      QVERIFY(Write(real, kOld));
      QVERIFY(QFile::link(real, link));
      FaultyFiles files = FilesFor(way);
      SaveWholeFile(link, kNew, files);
      QCOMPARE(QFileInfo(link).symLinkTarget(), real);
      QCOMPARE(Content(real), kNew);
      QCOMPARE(Entries(dir), (QStringList{"data", "link.ovt"}));
      QCOMPARE(QDir(dir.filePath("data")).entryList(QDir::Files | QDir::Hidden),
               QStringList{"real.ovt"});
    }
  }

  // A link is followed to the end of its chain, relative links from their own folder, and the
  // target replaced or created; the links stay as they were. Links are written "name>target".
  void saveThroughLinks_data() {
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("saved");    // the name the save is given
    QTest::addColumn<QString>("written");  // the file that gets the content, or none
    QTest::addColumn<QString>("failure");
    QTest::newRow("to a file") << QStringList{"l.ovt>data/old.ovt"} << "l.ovt" << "data/old.ovt"
                               << "";
    QTest::newRow("dangling, relative") << QStringList{"l.ovt>data/new.ovt"} << "l.ovt"
                                        << "data/new.ovt" << "";
    QTest::newRow("dangling, relative to its own folder")
        << QStringList{"data/l.ovt>../new.ovt"} << "data/l.ovt" << "new.ovt" << "";
    QTest::newRow("dangling, absolute") << QStringList{"l.ovt>@/data/new.ovt"} << "l.ovt"
                                        << "data/new.ovt" << "";
    QTest::newRow("a chain, dangling") << QStringList{"a.ovt>b.ovt", "b.ovt>data/new.ovt"}
                                       << "a.ovt" << "data/new.ovt" << "";
    QTest::newRow("a loop") << QStringList{"a.ovt>b.ovt", "b.ovt>a.ovt"} << "a.ovt" << ""
                            << kInvalidName;
    QTest::newRow("to itself") << QStringList{"a.ovt>a.ovt"} << "a.ovt" << "" << kInvalidName;
    QTest::newRow("to a missing folder") << QStringList{"l.ovt>none/new.ovt"} << "l.ovt" << ""
                                         << kInvalidName;
    QTest::newRow("to a folder") << QStringList{"l.ovt>data"} << "l.ovt" << "" << kInvalidName;
  }
  void saveThroughLinks() {
    QFETCH(QStringList, links);
    QFETCH(QString, saved);
    QFETCH(QString, written);
    QFETCH(QString, failure);
    for (int way : {kUnnamed, kNamed}) {
      QTemporaryDir dir;
      QVERIFY(QDir(dir.path()).mkdir("data"));
      QVERIFY(Write(dir.filePath("data/old.ovt"), kOld));
      for (const QString& link : links) {
        const QStringList parts = link.split('>');
        const QByteArray target = QFile::encodeName(QString(parts[1]).replace('@', dir.path()));
        QCOMPARE(symlink(target.constData(), QFile::encodeName(dir.filePath(parts[0])).constData()),
                 0);
      }
      const QStringList before = Entries(dir) + Entries(dir.filePath("data"));
      FaultyFiles files = FilesFor(way);
      QCOMPARE(Failure([&] { SaveWholeFile(dir.filePath(saved), kNew, files); }),
               failure.isEmpty() ? QStringLiteral("(no failure)") : failure);
      if (!written.isEmpty()) QCOMPARE(Content(dir.filePath(written)), kNew);
      if (written != "data/old.ovt") QCOMPARE(Content(dir.filePath("data/old.ovt")), kOld);
      QStringList after = before;
      if (written.endsWith("new.ovt")) after << QFileInfo(written).fileName();
      after.sort();
      QStringList now = Entries(dir) + Entries(dir.filePath("data"));
      now.sort();
      QCOMPARE(now, after);
      for (const QString& link : links)
        QVERIFY(QFileInfo(dir.filePath(link.section('>', 0, 0))).isSymLink());
    }
  }

  // Known before anything is asked: SaveTarget says so, and a save that gets there anyway too.
  void readOnlyMedium() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ovt");
    QVERIFY(Write(path, kOld));
    FaultyFiles files;
    files.readOnlyMedium = true;
    QCOMPARE(Failure([&] { orvelt::SaveTarget(path, files); }), kReadOnly);
    QCOMPARE(Failure([&] { orvelt::SaveTarget(dir.filePath("new.ovt"), files); }), kReadOnly);
    FaultyFiles mounted;
    mounted.Fail(FaultyFiles::kOpen, EROFS);
    QCOMPARE(Failure([&] { SaveWholeFile(path, kNew, mounted); }), kReadOnly);
    QCOMPARE(Content(path), kOld);
    // A folder that cannot be looked at is the save's to report.
    FaultyFiles unknown;
    unknown.Fail(FaultyFiles::kStatvfs, EACCES);
    QCOMPARE(orvelt::SaveTarget(path, unknown), path);
  }

  void invalidTargets() {
    QTemporaryDir dir;
    const QString file = dir.filePath("a.ovt");
    QVERIFY(Write(file, kOld));
    QCOMPARE(Failure([&] { SaveWholeFile(dir.filePath("missing/b.ovt"), kNew); }), kInvalidName);
    QCOMPARE(Failure([&] { SaveWholeFile(file + "/b.ovt", kNew); }), kInvalidName);
    QCOMPARE(Failure([&] { SaveWholeFile(dir.filePath(QString(300, 'x')), kNew); }), kInvalidName);
    QVERIFY(QDir(dir.path()).mkdir("folder.ovt"));
    QCOMPARE(Failure([&] { SaveWholeFile(dir.filePath("folder.ovt"), kNew); }), kInvalidName);
    FaultyFiles named = FilesFor(kNamed);
    QCOMPARE(Failure([&] { SaveWholeFile(dir.filePath("missing/b.ovt"), kNew, named); }),
             kInvalidName);
    QCOMPARE(Entries(dir), (QStringList{"a.ovt", "folder.ovt"}));
    QVERIFY(QDir(dir.filePath("folder.ovt")).isEmpty());
    QCOMPARE(Content(file), kOld);
  }

  void deviceIsNotReplaced() {
    FaultyFiles files;
    QCOMPARE(Failure([&] { SaveWholeFile("/dev/null", kNew, files); }), kDenied);
    QVERIFY(S_ISCHR(Mode("/dev/null")));
    QVERIFY(!files.calls.contains("create"));
    QVERIFY(!files.calls.contains("tmpfile"));
  }

  // Each failure leaves the old file byte for byte and no file of ours behind, either way.
  void failedSaveKeepsTheFile_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("skip");
    QTest::addColumn<QString>("text");
    for (int way : {kUnnamed, kNamed}) {
      const auto row = [way](const char* name) -> QTestData& {
        return QTest::newRow(QByteArray(kWayNames[way]) + ", " + name) << way;
      };
      // The call that creates the file of the new content.
      const int create = way == kUnnamed ? FaultyFiles::kTmpFile : FaultyFiles::kCreate;
      row("read-only target") << int(FaultyFiles::kOpen) << EACCES << 0 << kDenied;
      row("read-only file system") << int(FaultyFiles::kOpen) << EROFS << 0 << kReadOnly;
      row("too many files") << int(FaultyFiles::kOpen) << EMFILE << 0 << kTooMany;
      row("folder not writable") << create << EACCES << 0 << kDenied;
      row("no more files") << create << ENFILE << 0 << kTooMany;
      row("stat denied") << int(FaultyFiles::kStat) << EACCES << 0 << kDenied;
      row("disk quota at the third write")
          << int(FaultyFiles::kWrite) << EDQUOT << 2 << QStringLiteral("I/O エラー (122)");
      row("permissions") << int(FaultyFiles::kFchmod) << EPERM << 0 << kDenied;
      row("fsync") << int(FaultyFiles::kFsync) << EIO << 0 << QStringLiteral("I/O エラー (5)");
      row("closing the new file")
          << int(FaultyFiles::kClose) << EIO << 1 << QStringLiteral("I/O エラー (5)");
      row("rename") << int(FaultyFiles::kRename) << EXDEV << 0 << QStringLiteral("I/O エラー (18)");
      row("rename busy") << int(FaultyFiles::kRename) << EBUSY << 0
                         << QStringLiteral("I/O エラー (16)");
      row("every temporary name taken")
          << (way == kUnnamed ? int(FaultyFiles::kLink) : create) << EEXIST << 0
          << QStringLiteral("I/O エラー (17)");
      if (way == kUnnamed) {
        row("link: disk full") << int(FaultyFiles::kLink) << ENOSPC << 0
                               << QStringLiteral("I/O エラー (28)");
        row("link: too many links") << int(FaultyFiles::kLink) << EMLINK << 0
                                    << QStringLiteral("I/O エラー (31)");
      }
    }
  }
  void failedSaveKeepsTheFile() {
    QFETCH(int, way);
    QFETCH(int, call);
    QFETCH(int, error);
    QFETCH(int, skip);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ovt");
    QVERIFY(Write(path, kOld));
    QCOMPARE(chmod(QFile::encodeName(path).constData(), 0640), 0);
    const int descriptors = OpenDescriptors();
    FaultyFiles files = FilesFor(way);
    files.maxWrite = 10;
    files.Fail(static_cast<FaultyFiles::Call>(call), error, skip);
    QCOMPARE(Failure([&] { SaveWholeFile(path, kNew, files); }), text);
    QCOMPARE(Content(path), kOld);
    QCOMPARE(Mode(path), static_cast<mode_t>(S_IFREG | 0640));
    QCOMPARE(Entries(dir), QStringList{"a.ovt"});
    QCOMPARE(OpenDescriptors(), descriptors);
  }

  void diskFullMidway() {
    for (int way : {kUnnamed, kNamed}) {
      QTemporaryDir dir;
      const QString path = dir.filePath("a.ovt");
      QVERIFY(Write(path, kOld));
      FaultyFiles files = FilesFor(way);
      files.room = 50;
      QCOMPARE(Failure([&] { SaveWholeFile(path, kNew, files); }),
               QStringLiteral("I/O エラー (28)"));
      QCOMPARE(Content(path), kOld);
      QCOMPARE(Entries(dir), QStringList{"a.ovt"});
      QVERIFY(!files.calls.contains("rename"));
      QVERIFY(!files.calls.contains("link"));
    }
  }

  void newFileFailures_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<int>("call");
    const auto row = [](int way, const char* name, FaultyFiles::Call call) {
      QTest::newRow(QByteArray(kWayNames[way]) + ", " + name) << way << int(call);
    };
    row(kUnnamed, "create", FaultyFiles::kTmpFile);
    row(kUnnamed, "write", FaultyFiles::kWrite);
    row(kUnnamed, "fsync", FaultyFiles::kFsync);
    row(kUnnamed, "link", FaultyFiles::kLink);
    // Linked under the target's name already: the new file goes again.
    row(kUnnamed, "close after the link", FaultyFiles::kClose);
    row(kNamed, "create", FaultyFiles::kCreate);
    row(kNamed, "write", FaultyFiles::kWrite);
    row(kNamed, "fsync", FaultyFiles::kFsync);
    row(kNamed, "close", FaultyFiles::kClose);
    row(kNamed, "rename", FaultyFiles::kRename);
  }
  void newFileFailures() {
    QFETCH(int, way);
    QFETCH(int, call);
    QTemporaryDir dir;
    FaultyFiles files = FilesFor(way);
    files.Fail(static_cast<FaultyFiles::Call>(call), ENOSPC);
    QCOMPARE(Failure([&] { SaveWholeFile(dir.filePath("new.ovt"), kNew, files); }),
             QStringLiteral("I/O エラー (28)"));
    QCOMPARE(Entries(dir), QStringList());
  }

  void temporaryNameRetried() {
    for (int way : {kUnnamed, kNamed}) {
      QTemporaryDir dir;
      const QString path = dir.filePath("a.ovt");
      QVERIFY(Write(path, kOld));
      FaultyFiles files = FilesFor(way);
      const auto naming = way == kUnnamed ? FaultyFiles::kLink : FaultyFiles::kCreate;
      files.Fail(naming, EEXIST, 0, 3);
      SaveWholeFile(path, kNew, files);
      QCOMPARE(Content(path), kNew);
      QCOMPARE(files.calls.count(way == kUnnamed ? "link" : "create"), 4);
      QCOMPARE(Entries(dir), QStringList{"a.ovt"});
    }
  }

  // A new file's name taken between the question and the link: the file that took it is replaced,
  // as by a save over it.
  void newNameTakenMeanwhile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("new.ovt");
    FaultyFiles files;
    files.Fail(FaultyFiles::kLink, EEXIST, 0, 1);
    SaveWholeFile(path, kNew, files);
    QCOMPARE(Content(path), kNew);
    QCOMPARE(files.calls.count("link"), 2);
    QVERIFY(files.calls.contains("rename"));
    QCOMPARE(Entries(dir), QStringList{"new.ovt"});
  }

  // Without the privilege to link a descriptor (ENOENT), through its name under /proc; without
  // /proc too, or on a file system without hard links (EPERM), by a named temporary file after all.
  void linkingRefused_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("refused");
    QTest::addColumn<bool>("named");
    QTest::newRow("through /proc") << ENOENT << 1 << false;
    QTest::newRow("no /proc either") << ENOENT << 2 << true;
    QTest::newRow("no hard links") << EPERM << INT_MAX << true;
  }
  void linkingRefused() {
    QFETCH(int, error);
    QFETCH(int, refused);
    QFETCH(bool, named);
    for (const bool exists : {false, true}) {
      QTemporaryDir dir;
      const QString path = dir.filePath("a.ovt");
      if (exists) QVERIFY(Write(path, kOld));
      FaultyFiles files;
      files.Fail(FaultyFiles::kLink, error, 0, refused);
      SaveWholeFile(path, kNew, files);
      QCOMPARE(Content(path), kNew);
      QCOMPARE(files.calls.contains("create"), named);
      QCOMPARE(Entries(dir), QStringList{"a.ovt"});
    }
  }

  // The rename is done, so the new content is in place; that it may not survive a power cut is
  // reported all the same. A folder that cannot be read or flushed at all is no failure.
  void folderFlush_data() {
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("flush: I/O error") << int(FaultyFiles::kFolderFsync) << EIO
                                      << QStringLiteral("I/O エラー (5)");
    QTest::newRow("flush: disk full") << int(FaultyFiles::kFolderFsync) << ENOSPC
                                      << QStringLiteral("I/O エラー (28)");
    QTest::newRow("open: too many files") << int(FaultyFiles::kFolder) << EMFILE << kTooMany;
    QTest::newRow("close: I/O error") << int(FaultyFiles::kClose) << EIO
                                      << QStringLiteral("I/O エラー (5)");
    QTest::newRow("open: folder not readable") << int(FaultyFiles::kFolder) << EACCES << QString();
    QTest::newRow("flush: not for folders here") << int(FaultyFiles::kFolderFsync) << EINVAL
                                                 << QString();
  }
  void folderFlush() {
    QFETCH(int, call);
    QFETCH(int, error);
    QFETCH(QString, text);
    for (int way : {kUnnamed, kNamed}) {
      QTemporaryDir dir;
      const QString path = dir.filePath("a.ovt");
      QVERIFY(Write(path, kOld));
      const int descriptors = OpenDescriptors();
      FaultyFiles files = FilesFor(way);
      // The closing of the folder is the last call of all.
      files.Fail(static_cast<FaultyFiles::Call>(call), error, call == FaultyFiles::kClose ? 2 : 0);
      const QString failure = Failure([&] { SaveWholeFile(path, kNew, files); });
      QCOMPARE(failure, text.isEmpty() ? QStringLiteral("(no failure)") : text);
      QCOMPARE(Content(path), kNew);
      QCOMPARE(Entries(dir), QStringList{"a.ovt"});
      QCOMPARE(OpenDescriptors(), descriptors);
    }
  }

  // Files of our temporaries' pattern that a killed save left: regular files older than a minute
  // go, whichever way the save writes; nothing else does, and no link is followed.
  void staleTemporariesRemoved_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("unnamed") << int(kUnnamed);
    QTest::newRow("named") << int(kNamed);
  }
  void staleTemporariesRemoved() {
    QFETCH(int, way);
    QTemporaryDir dir, elsewhere;
    const QString path = dir.filePath("a.ovt");
    QVERIFY(Write(path, kOld));
    const QString outside = elsewhere.filePath(".orvelt-00000000.tmp");
    QVERIFY(Write(outside, kOld));
    QVERIFY(Age(outside, 3600));
    const QStringList stale{".orvelt-0123abcd.tmp", ".orvelt-ffffffff.tmp", ".orvelt-00000000.tmp"};
    const QStringList kept{
        ".orvelt-0123abce.tmp",   // written a moment ago: perhaps a save under way
        ".orvelt-0123ABCD.tmp",   // not our pattern: capitals
        ".orvelt-0123abc.tmp",    // seven digits
        ".orvelt-0123abcg.tmp",   // not hexadecimal
        ".orvelt-0123abcd.tmp~",  // a copy of one
        "orvelt-0123abcd.tmp",    // not hidden
        "a.ovt.tmp",
    };
    for (const QString& name : stale + kept) QVERIFY(Write(dir.filePath(name), kOld));
    for (const QString& name : stale + kept.mid(1)) QVERIFY(Age(dir.filePath(name), 61 + 3600));
    QVERIFY(Age(dir.filePath(kept[0]), 30));
    // A link of the pattern, old, to a file elsewhere, and a folder of the pattern.
    const QString link = dir.filePath(".orvelt-aaaaaaaa.tmp");
    QVERIFY(QFile::link(outside, link));
    QVERIFY(Age(link, 3600));
    QVERIFY(QDir(dir.path()).mkdir(".orvelt-bbbbbbbb.tmp"));
    QVERIFY(Age(dir.filePath(".orvelt-bbbbbbbb.tmp"), 3600));

    FaultyFiles files = FilesFor(way);
    SaveWholeFile(path, kNew, files);
    QCOMPARE(Content(path), kNew);
    QStringList expected = kept + QStringList{"a.ovt", ".orvelt-aaaaaaaa.tmp", ".orvelt-bbbbbbbb.tmp"};
    expected.sort();
    QCOMPARE(Entries(dir), expected);
    QCOMPARE(QFileInfo(link).symLinkTarget(), outside);
    QCOMPARE(Content(outside), kOld);
    QCOMPARE(files.calls.count("unlink"), stale.size());
    // Only names of the pattern are looked at closer.
    QCOMPARE(files.calls.count("lstat"), stale.size() + 3);
  }

  // Removing them is the save's own tidying: when the folder cannot be read or a file not be
  // removed, the save goes on.
  void staleTemporariesNeverStopTheSave() {
    for (const auto call : {FaultyFiles::kReadFolder, FaultyFiles::kLstat, FaultyFiles::kUnlink}) {
      QTemporaryDir dir;
      const QString path = dir.filePath("a.ovt");
      const QString stale = dir.filePath(".orvelt-12345678.tmp");
      QVERIFY(Write(stale, kOld));
      QVERIFY(Age(stale, 120));
      FaultyFiles files;
      files.Fail(call, EACCES);
      SaveWholeFile(path, kNew, files);
      QCOMPARE(Content(path), kNew);
      QCOMPARE(Entries(dir), (QStringList{".orvelt-12345678.tmp", "a.ovt"}));
    }
  }
};

QTEST_APPLESS_MAIN(TestFileIo)
#include "test_fileio.moc"
