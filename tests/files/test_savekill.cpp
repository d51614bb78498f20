// Saves killed with SIGKILL in a child process, at each call a save makes to the file system and
// at random moments. Whenever it falls, the target holds its old content or the new one and the
// folder nothing else; but for a temporary name that the kill caught between its link (or its
// creation, where the file system has no unnamed files) and the rename, which the next save into
// the folder removes once it is a minute old.

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <map>

#include "core/arith.h"
#include "files/fileio.h"
#include "tests/files/file_support.h"

using orvelt::SaveWholeFile;

namespace {

// Where the child is in its save, in memory it shares with the parent.
struct Progress {
  int started = 0;  // calls begun
  int done = 0;     // calls returned
  bool ready = false;
  bool saved = false;
  char names[64][16] = {};  // of the calls, in order
};

// The real calls, each logged in `progress`; where a test says so, the process kills itself
// just before or just after call number `killAt` (0 based). Where `unnamed` is false, the file
// system has no unnamed files.
class KillingFiles : public orvelt::FileSystem {
 public:
  KillingFiles(Progress* progress, bool unnamed, int killAt = -1, bool after = false)
      : progress_(progress), unnamed_(unnamed), killAt_(killAt), after_(after) {}

  // The real call, logged, with the kill where it is due.
  template <typename Real>
  auto Call(const char* name, Real real) {
    const int n = progress_->started;
    if (n < 64) qstrncpy(progress_->names[n], name, sizeof progress_->names[n]);
    progress_->started = n + 1;
    if (n == killAt_ && !after_) raise(SIGKILL);
    const auto result = real();
    const int error = errno;
    progress_->done = n + 1;
    if (n == killAt_ && after_) raise(SIGKILL);
    errno = error;
    return result;
  }

  int Open(const char* path, int flags, mode_t mode) override {
    const bool tmpfile = (flags & O_TMPFILE) == O_TMPFILE;
    const char* name = tmpfile             ? "tmpfile"
                       : flags & O_CREAT     ? "create"
                       : flags & O_DIRECTORY ? "folder"
                                             : "open";
    if (tmpfile && !unnamed_) {
      return Call(name, [] {
        errno = EOPNOTSUPP;
        return -1;
      });
    }
    return Call(name, [&] { return FileSystem::Open(path, flags, mode); });
  }
  ssize_t Write(int fd, const void* buffer, size_t size) override {
    return Call("write", [&] { return FileSystem::Write(fd, buffer, size); });
  }
  int Fchmod(int fd, mode_t mode) override {
    return Call("fchmod", [&] { return FileSystem::Fchmod(fd, mode); });
  }
  int Fsync(int fd) override {
    return Call("fsync", [&] { return FileSystem::Fsync(fd); });
  }
  int Close(int fd) override {
    return Call("close", [&] { return FileSystem::Close(fd); });
  }
  int Stat(const char* path, struct stat* status) override {
    return Call("stat", [&] { return FileSystem::Stat(path, status); });
  }
  int Lstat(const char* path, struct stat* status) override {
    return Call("lstat", [&] { return FileSystem::Lstat(path, status); });
  }
  int Linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) override {
    return Call("link", [&] { return FileSystem::Linkat(fromFolder, from, toFolder, to, flags); });
  }
  int Rename(const char* from, const char* to) override {
    return Call("rename", [&] { return FileSystem::Rename(from, to); });
  }
  int Unlink(const char* path) override {
    return Call("unlink", [&] { return FileSystem::Unlink(path); });
  }
  int ReadFolder(const char* path, std::vector<std::string>& names) override {
    return Call("read folder", [&] { return FileSystem::ReadFolder(path, names); });
  }

 private:
  Progress* progress_;
  bool unnamed_;
  int killAt_;
  bool after_;
};

Progress* SharedProgress() {
  void* memory =
      mmap(nullptr, sizeof(Progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  return memory == MAP_FAILED ? nullptr : new (memory) Progress;
}

// A content of `size` bytes that differs from one with another seed everywhere.
QByteArray Bytes(qsizetype size, char seed) {
  QByteArray bytes(size, Qt::Uninitialized);
  for (qsizetype i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i % 251);
  return bytes;
}

const QRegularExpression kTempName(QStringLiteral("^\\.orvelt-[0-9a-f]{8}\\.tmp$"));

// The child's part: the save, as the program makes it, and nothing after it.
[[noreturn]] void SaveAndEnd(Progress* progress, int pipeOut, const QString& path,
                             const QByteArray& bytes, orvelt::FileSystem& files) {
  progress->ready = true;
  if (pipeOut >= 0) {
    const char byte = 1;
    if (write(pipeOut, &byte, 1) != 1) _exit(3);
  }
  try {
    SaveWholeFile(path, bytes, files);
  } catch (const orvelt::CommandError&) {
    _exit(2);
  }
  progress->saved = true;
  // Waits for its kill, so that every kill is counted with where it fell.
  if (pipeOut >= 0) pause();
  _exit(0);
}

// What the folder shows after a kill: the target's content and the other names in it.
struct Aftermath {
  QByteArray content;
  QStringList others;
};

Aftermath Look(const QString& folder, const QString& target) {
  Aftermath a{Content(QDir(folder).filePath(target)), Entries(folder)};
  a.others.removeAll(target);
  return a;
}

// Removes what a kill left, as the next save does once it is old enough; false when the next
// save leaves anything but the target.
bool NextSaveTidies(const QString& folder, const QString& target, const QStringList& left) {
  for (const QString& name : left)
    if (!Age(QDir(folder).filePath(name), 120)) return false;
  SaveWholeFile(QDir(folder).filePath(target), "ovt110\r\n");
  return Entries(folder) == QStringList{target};
}

}  // namespace

class TestSaveKill : public QObject {
  Q_OBJECT

  Progress* progress_ = nullptr;

 private slots:
  void initTestCase() {
    progress_ = SharedProgress();
    QVERIFY(progress_);
  }
  void cleanupTestCase() { munmap(progress_, sizeof(Progress)); }

  void killedAtEveryCall_data() {
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<bool>("exists");
    QTest::newRow("unnamed file, over an old one") << true << true;
    QTest::newRow("unnamed file, a new file") << true << false;
    QTest::newRow("named temporary, over an old one") << false << true;
    QTest::newRow("named temporary, a new file") << false << false;
  }
  void killedAtEveryCall() {
    QFETCH(bool, unnamed);
    QFETCH(bool, exists);
    const QByteArray before = "ovt110\r\nold\r\n", after = "ovt110\r\nnew content\r\n";
    // The calls of a whole save, from one that is not killed.
    QStringList calls;
    {
      QTemporaryDir dir;
      if (exists) QVERIFY(Write(dir.filePath("a.ovt"), before));
      *progress_ = Progress();
      KillingFiles files(progress_, unnamed);
      SaveWholeFile(dir.filePath("a.ovt"), after, files);
      for (int i = 0; i < progress_->done; ++i) calls << progress_->names[i];
    }
    // The target gets the new content by the rename, or for a new file by the link of an
    // unnamed file; a temporary name lives from its link or creation up to the rename.
    const bool linkedAsTarget = unnamed && !exists;
    // (The last of each: a link refused without the privilege is tried again through /proc.)
    const int replaced = calls.lastIndexOf(linkedAsTarget ? "link" : "rename");
    const int named = linkedAsTarget ? -1 : calls.lastIndexOf(unnamed ? "link" : "create", replaced);
    QVERIFY2(replaced > 0 && (linkedAsTarget || named > 0), qPrintable(calls.join(' ')));
    int debris = 0;
    for (int at = 0; at < calls.size(); ++at) {
      for (const bool afterCall : {false, true}) {
        const QString where =
            QStringLiteral("killed %1 call %2 (%3) of %4")
                .arg(afterCall ? "after" : "before").arg(at).arg(calls[at], calls.join(' '));
        QTemporaryDir dir;
        if (exists) QVERIFY(Write(dir.filePath("a.ovt"), before));
        *progress_ = Progress();
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
          KillingFiles files(progress_, unnamed, at, afterCall);
          SaveAndEnd(progress_, -1, dir.filePath("a.ovt"), after, files);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, qPrintable(where));

        const int passed = afterCall ? at : at - 1;  // the last call that returned
        const Aftermath seen = Look(dir.path(), "a.ovt");
        const QByteArray expected = passed >= replaced ? after : exists ? before : "(unreadable)";
        QVERIFY2(seen.content == expected, qPrintable(where));
        const bool temporary = named >= 0 && passed >= named && passed < replaced;
        QVERIFY2(seen.others.size() == (temporary ? 1 : 0), qPrintable(where + ": " + seen.others.join(' ')));
        if (temporary) {
          ++debris;
          QVERIFY2(kTempName.match(seen.others[0]).hasMatch(), qPrintable(seen.others[0]));
          QVERIFY2(NextSaveTidies(dir.path(), "a.ovt", seen.others), qPrintable(where));
        }
      }
    }
    // Between the link and the rename there is but the closing of the file.
    if (unnamed && exists) QCOMPARE(debris, 2 * (replaced - named));
    if (linkedAsTarget) QCOMPARE(debris, 0);
  }

  // Saves of 1 MiB over an old file, killed at random moments while they run: the old file or the
  // new, and nothing else but for a kill between link and rename (whose leftover the next save
  // takes away). Prints where the kills fell.
  void randomKills() {
    constexpr int kKills = 60;
    constexpr qsizetype kSize = qsizetype{1} << 20;
    const QByteArray before = Bytes(kSize, 'a'), after = Bytes(kSize, 'b');
    QTemporaryDir dir;
    const QString path = dir.filePath("series.ovt");
    // How long a save takes here: the kills are spread over that.
    QList<qint64> spans;
    for (int i = 0; i < 5; ++i) {
      QElapsedTimer clock;
      clock.start();
      SaveWholeFile(path, i % 2 ? before : after);
      spans << clock.nsecsElapsed();
    }
    std::sort(spans.begin(), spans.end());
    const qint64 span = spans[2];
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);

    std::map<QString, int> fell;  // the call a kill fell in or after
    int kills = 0, attempts = 0, debris = 0, olds = 0, news = 0;
    while (kills < kKills) {
      QVERIFY2(++attempts <= 4 * kKills, "the kills keep missing the saves");
      QVERIFY(Write(path, before));
      *progress_ = Progress();
      int pipes[2];
      QCOMPARE(pipe(pipes), 0);
      const pid_t child = fork();
      QVERIFY(child >= 0);
      if (child == 0) {
        close(pipes[0]);
        KillingFiles files(progress_, true);
        SaveAndEnd(progress_, pipes[1], path, after, files);
      }
      close(pipes[1]);
      char byte;
      QCOMPARE(read(pipes[0], &byte, 1), ssize_t{1});
      close(pipes[0]);
      const qint64 delay = static_cast<qint64>(random.bounded(static_cast<double>(span)));
      const timespec wait{0, static_cast<long>(delay)};
      nanosleep(&wait, nullptr);
      kill(child, SIGKILL);
      int status = 0;
      QCOMPARE(waitpid(child, &status, 0), child);
      QVERIFY(WIFSIGNALED(status));

      const Aftermath seen = Look(dir.path(), "series.ovt");
      QVERIFY2(seen.content == before || seen.content == after,
               qPrintable(QStringLiteral("a mixed file of %1 bytes").arg(seen.content.size())));
      if (progress_->saved) continue;  // the save was over before the kill
      ++kills;
      (seen.content == after ? news : olds)++;
      const int last = progress_->started - 1;
      const QString call = last < 0 ? QStringLiteral("(before the first call)")
                                    : QString::fromLatin1(progress_->names[last]) +
                                          (progress_->done > last ? " (returned)" : "");
      ++fell[call];
      if (!seen.others.isEmpty()) {
        // Only a kill from the link on (the link made, its return not yet seen) and before the
        // rename returned may leave a name behind.
        QStringList started, done;
        for (int i = 0; i < progress_->started; ++i) started << progress_->names[i];
        done = started.mid(0, progress_->done);
        QVERIFY2(started.contains("link") && !done.contains("rename"),
                 qPrintable("left " + seen.others.join(' ') + " after " + started.join(' ')));
        QCOMPARE(seen.others.size(), 1);
        ++debris;
        QVERIFY(NextSaveTidies(dir.path(), "series.ovt", seen.others));
      }
    }
    QStringList where;
    for (const auto& [call, n] : fell) where << QStringLiteral("%1 in %2").arg(n).arg(call);
    qInfo("%d kills during saves of %lld bytes (a save takes %.1f ms here; %d tries, seed %u): "
          "%d left the old file, %d the new, %d a temporary name; killed in: %s",
          kills, static_cast<long long>(kSize), span / 1e6, attempts, seed, olds, news, debris,
          qPrintable(where.join(QStringLiteral(", "))));
  }
};

QTEST_APPLESS_MAIN(TestSaveKill)
#include "test_savekill.moc"
