#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <cerrno>
#include <climits>

#include "core/arith.h"
#include "files/fileio.h"

using orvelt::FileExists;
using orvelt::IoErrorText;
using orvelt::InputFile;
using orvelt::SaveWholeFile;

namespace {

// The real calls, except those a test makes fail. Opening an existing file and creating one count
// as different calls. Every call is logged by name.
class FaultyFiles : public orvelt::FileSystem {
 public:
  enum Call { kStat, kOpen, kCreate, kRead, kWrite, kFchmod, kFsync, kClose, kRename, kCalls };

  // Calls number skip + 1 to skip + times of `call` fail with `error`.
  void Fail(Call call, int error, int skip = 0, int times = INT_MAX) {
    faults_[call] = {error, skip, times};
  }
  qint64 room = -1;     // when not negative, bytes that can be written before the disk is full
  qint64 maxWrite = 0;  // when positive, the most bytes one write takes
  QStringList calls;

  int Open(const char* path, int flags, mode_t mode) override {
    const bool create = flags & O_CREAT;
    return Faulty(create ? kCreate : kOpen) ? -1 : FileSystem::Open(path, flags, mode);
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
  int Fsync(int fd) override { return Faulty(kFsync) ? -1 : FileSystem::Fsync(fd); }
  int Close(int fd) override {
    // The descriptor is released even when closing reports a failure.
    const int result = FileSystem::Close(fd);
    return Faulty(kClose) ? -1 : result;
  }
  int Stat(const char* path, struct stat* status) override {
    return Faulty(kStat) ? -1 : FileSystem::Stat(path, status);
  }
  int Rename(const char* from, const char* to) override {
    return Faulty(kRename) ? -1 : FileSystem::Rename(from, to);
  }

 private:
  struct Fault {
    int error = 0, skip = 0, times = 0;
  };

  bool Faulty(Call call) {
    static const char* const kNames[] = {"stat",   "open",  "create", "read",  "write",
                                         "fchmod", "fsync", "close",  "rename"};
    calls << kNames[call];
    const Fault& f = faults_[call];
    const int n = counts_[call]++;
    if (f.error == 0 || n < f.skip || n - f.skip >= f.times) return false;
    errno = f.error;
    return true;
  }

  std::array<Fault, kCalls> faults_{};
  std::array<int, kCalls> counts_{};
};

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

const QByteArray kOld = "ovt110\r\nold content, longer than the new one\r\n";
const QByteArray kNew = "ovt110\r\n1\r\n2.5\r\n" + QByteArray("\r\n").repeated(58);

QByteArray Content(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

mode_t Mode(const QString& path) {
  struct stat status;
  return stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode : 0;
}

QStringList Entries(const QTemporaryDir& dir) {
  return QDir(dir.path())
      .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
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
    QTest::newRow("EROFS") << EROFS << kDenied;
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
                 throw orvelt::CommandError("elsewhere");
               }),
               QStringLiteral("elsewhere"));
      QCOMPARE(files.calls, (QStringList{"open", "close"}));
    }
    QCOMPARE(OpenDescriptors(), descriptors);
  }

  void saveNewFile_data() {
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("mode");
    QTest::newRow("umask 022") << 022 << 0644;
    QTest::newRow("umask 077") << 077 << 0600;
    QTest::newRow("umask 002") << 002 << 0664;
  }
  void saveNewFile() {
    QFETCH(int, mask);
    QFETCH(int, mode);
    QTemporaryDir dir;
    const QString path = dir.filePath("系列 1.ovt");
    const mode_t previous = umask(mask);
    FaultyFiles files;
    SaveWholeFile(path, kNew, files);
    umask(previous);
    QCOMPARE(Content(path), kNew);
    QCOMPARE(Mode(path), static_cast<mode_t>(S_IFREG | mode));
    QCOMPARE(Entries(dir), QStringList{"系列 1.ovt"});
    // Written and flushed to disk before the rename makes it the file.
    QCOMPARE(files.calls, (QStringList{"stat", "create", "write", "fsync", "close", "rename"}));
  }

  void saveOverExistingFile_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("0640") << 0640 << 0640;
    QTest::newRow("0604") << 0604 << 0604;
    QTest::newRow("set-user-ID dropped") << 04755 << 0755;
  }
  void saveOverExistingFile() {
    QFETCH(int, before);
    QFETCH(int, after);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ovt");
    QVERIFY(Write(path, kOld));
    QCOMPARE(chmod(QFile::encodeName(path).constData(), before), 0);
    FaultyFiles files;
    SaveWholeFile(path, kNew, files);
    QCOMPARE(Content(path), kNew);
    QCOMPARE(Mode(path), static_cast<mode_t>(S_IFREG | after));
    QCOMPARE(Entries(dir), QStringList{"a.ovt"});
    QCOMPARE(files.calls, (QStringList{"stat", "open", "close", "create", "write", "fchmod",
                                       "fsync", "close", "rename"}));
  }

  void saveInPieces() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ovt");
    FaultyFiles files;
    files.maxWrite = 7;
    files.Fail(FaultyFiles::kWrite, EINTR, 2, 1);
    SaveWholeFile(path, kNew, files);
    QCOMPARE(Content(path), kNew);
    QCOMPARE(files.calls.count("write"), (kNew.size() + 6) / 7 + 1);
  }

  void saveThroughLink() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("data"));
    const QString real = dir.filePath("data/real.ovt"), link = dir.filePath("link.ovt");
    QVERIFY(Write(real, kOld));
    QVERIFY(QFile::link(real, link));
    SaveWholeFile(link, kNew);
    QCOMPARE(QFileInfo(link).symLinkTarget(), real);
    QCOMPARE(Content(real), kNew);
    QCOMPARE(Entries(dir), (QStringList{"data", "link.ovt"}));
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
    QCOMPARE(Entries(dir), (QStringList{"a.ovt", "folder.ovt"}));
    QVERIFY(QDir(dir.filePath("folder.ovt")).isEmpty());
    QCOMPARE(Content(file), kOld);
  }

  void deviceIsNotReplaced() {
    FaultyFiles files;
    QCOMPARE(Failure([&] { SaveWholeFile("/dev/null", kNew, files); }), kDenied);
    QVERIFY(S_ISCHR(Mode("/dev/null")));
    QVERIFY(!files.calls.contains("create"));
  }

  // Each failure leaves the old file byte for byte and no temporary file behind.
  void failedSaveKeepsTheFile_data() {
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("skip");
    QTest::addColumn<QString>("text");
    QTest::newRow("read-only target") << int(FaultyFiles::kOpen) << EACCES << 0 << kDenied;
    QTest::newRow("read-only file system") << int(FaultyFiles::kOpen) << EROFS << 0 << kDenied;
    QTest::newRow("too many files") << int(FaultyFiles::kOpen) << EMFILE << 0 << kTooMany;
    QTest::newRow("folder not writable") << int(FaultyFiles::kCreate) << EACCES << 0 << kDenied;
    QTest::newRow("stat denied") << int(FaultyFiles::kStat) << EACCES << 0 << kDenied;
    QTest::newRow("disk quota at the third write")
        << int(FaultyFiles::kWrite) << EDQUOT << 2 << QStringLiteral("I/O エラー (122)");
    QTest::newRow("permissions") << int(FaultyFiles::kFchmod) << EPERM << 0 << kDenied;
    QTest::newRow("fsync") << int(FaultyFiles::kFsync) << EIO << 0
                           << QStringLiteral("I/O エラー (5)");
    QTest::newRow("closing the new file")
        << int(FaultyFiles::kClose) << EIO << 1 << QStringLiteral("I/O エラー (5)");
    QTest::newRow("rename") << int(FaultyFiles::kRename) << EXDEV << 0
                            << QStringLiteral("I/O エラー (18)");
    QTest::newRow("rename busy") << int(FaultyFiles::kRename) << EBUSY << 0
                                 << QStringLiteral("I/O エラー (16)");
    QTest::newRow("every temporary name taken")
        << int(FaultyFiles::kCreate) << EEXIST << 0 << QStringLiteral("I/O エラー (17)");
  }
  void failedSaveKeepsTheFile() {
    QFETCH(int, call);
    QFETCH(int, error);
    QFETCH(int, skip);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ovt");
    QVERIFY(Write(path, kOld));
    QCOMPARE(chmod(QFile::encodeName(path).constData(), 0640), 0);
    const int descriptors = OpenDescriptors();
    FaultyFiles files;
    files.maxWrite = 10;
    files.Fail(static_cast<FaultyFiles::Call>(call), error, skip);
    QCOMPARE(Failure([&] { SaveWholeFile(path, kNew, files); }), text);
    QCOMPARE(Content(path), kOld);
    QCOMPARE(Mode(path), static_cast<mode_t>(S_IFREG | 0640));
    QCOMPARE(Entries(dir), QStringList{"a.ovt"});
    QCOMPARE(OpenDescriptors(), descriptors);
  }

  void diskFullMidway() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ovt");
    QVERIFY(Write(path, kOld));
    FaultyFiles files;
    files.room = 50;
    QCOMPARE(Failure([&] { SaveWholeFile(path, kNew, files); }), QStringLiteral("I/O エラー (28)"));
    QCOMPARE(Content(path), kOld);
    QCOMPARE(Entries(dir), QStringList{"a.ovt"});
    QVERIFY(!files.calls.contains("rename"));
  }

  void newFileFailures() {
    QTemporaryDir dir;
    const QString path = dir.filePath("new.ovt");
    for (const auto call :
         {FaultyFiles::kCreate, FaultyFiles::kWrite, FaultyFiles::kFsync, FaultyFiles::kRename}) {
      FaultyFiles files;
      files.Fail(call, ENOSPC);
      QCOMPARE(Failure([&] { SaveWholeFile(path, kNew, files); }),
               QStringLiteral("I/O エラー (28)"));
      QCOMPARE(Entries(dir), QStringList());
    }
  }

  void temporaryNameRetried() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ovt");
    FaultyFiles files;
    files.Fail(FaultyFiles::kCreate, EEXIST, 0, 3);
    SaveWholeFile(path, kNew, files);
    QCOMPARE(Content(path), kNew);
    QCOMPARE(files.calls.count("create"), 4);
    QCOMPARE(Entries(dir), QStringList{"a.ovt"});
  }
};

QTEST_APPLESS_MAIN(TestFileIo)
#include "test_fileio.moc"
