#include <QTest>
#include <cstdint>
#include <thread>
#include <unistd.h>

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
};

QTEST_APPLESS_MAIN(TestMemory)
#include "test_memory.moc"
