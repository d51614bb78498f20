#include <QTest>
#include <cstdint>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/memory.h"

// No application object and no thread before the test: the first thread's allocation shows
// where every later thread's goes.
class TestMemory : public QObject {
  Q_OBJECT

 private slots:
  void aThreadAllocatesFromTheMainHeap() {
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the address sanitizer allocates outside the C library's heaps");
#endif
    orvelt::ShareOneHeap();
    void* inThread = nullptr;
    std::thread([&] { inThread = malloc(64); }).join();
    void* inMain = malloc(64);
    // The main heap is the one below the program break; another thread's would lie in a mapping.
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    QVERIFY(reinterpret_cast<std::uintptr_t>(inMain) < end);
    QVERIFY(reinterpret_cast<std::uintptr_t>(inThread) < end);
    free(inThread);
    free(inMain);
  }

  void reservedHeapIsMappedAndTakesLaterAllocations_data() {
    QTest::addColumn<int>("reserveKiB");
    QTest::addColumn<int>("thenKiB");  // allocated afterwards in blocks of 1 KiB
    QTest::newRow("256 KiB, 200 used") << 256 << 200;
    QTest::newRow("1 MiB, 900 used") << 1024 << 900;
  }

  void reservedHeapIsMappedAndTakesLaterAllocations() {
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the address sanitizer allocates outside the C library's heaps");
#endif
    QFETCH(int, reserveKiB);
    QFETCH(int, thenKiB);
    auto* const before = static_cast<char*>(sbrk(0));
    orvelt::ReserveHeap(std::size_t(reserveKiB) * 1024);
    auto* const end = static_cast<char*>(sbrk(0));
    const long page = sysconf(_SC_PAGESIZE);
    char* const first = before - (reinterpret_cast<std::uintptr_t>(before) % page);
    std::vector<unsigned char> resident(std::size_t((end - first + page - 1) / page));
    QCOMPARE(mincore(first, std::size_t(end - first), resident.data()), 0);
    for (std::size_t i = 0; i < resident.size(); ++i)
      QVERIFY2(resident[i] & 1, qPrintable(QString::number(i)));
    std::vector<void*> blocks(std::size_t(thenKiB), nullptr);
    for (void*& block : blocks) block = malloc(1024);
    QCOMPARE(static_cast<void*>(sbrk(0)), static_cast<void*>(end));
    for (void* block : blocks) QVERIFY(static_cast<char*>(block) < end);
    for (void* block : blocks) free(block);
  }
};

QTEST_APPLESS_MAIN(TestMemory)
#include "test_memory.moc"
