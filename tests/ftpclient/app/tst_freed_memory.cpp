// The program keeps the memory it frees for its next use, and gives back on
// request what stays free. Only the C library's allocator does either: a
// sanitizer's has its own ways, and the test then has nothing to check (the
// Release run of the suite takes it).
#include "freed_memory.h"

#include <QFile>
#include <QTest>

#include <array>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr size_t kMiB = 1024 * 1024;
constexpr size_t kTouched = 48 * kMiB; // about what a listing of 200,000 entries takes

long pageFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

size_t residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toULongLong() * size_t(sysconf(_SC_PAGESIZE)) : 0;
}

// Keeps the compiler from leaving out memory that is written and freed
// unread.
void used(const void* memory) {
    asm volatile("" : : "r"(memory) : "memory");
}

// Memory filled and freed again the ways a listing does it.
using Work = std::function<void()>;

void oneLargeBlock() {
    const auto block = std::make_unique<char[]>(kTouched);
    for (size_t at = 0; at < kTouched; at += 4096)
        block[at] = 1;
    used(block.get());
}

void growingVector() {
    std::vector<std::array<char, 48>> entries;
    for (size_t i = 0; i < kTouched / 48 / 2; ++i)
        entries.push_back({char(i)});
    used(entries.data());
}

void manySmallBlocks() {
    std::vector<std::unique_ptr<std::array<char, 40>>> names(kTouched / 64);
    for (auto& name : names) {
        name = std::make_unique<std::array<char, 40>>();
        used(name.get());
    }
}

void onAThreadOfItsOwn() {
    std::thread(growingVector).join();
}

} // namespace

class TestFreedMemory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void freedMemoryIsTakenAgain_data();
    void freedMemoryIsTakenAgain();
    void freeMemoryIsGivenBack();
};

void TestFreedMemory::initTestCase() {
    if (!keepFreedMemory())
        QSKIP("the allocator is not the C library's");
}

void TestFreedMemory::freedMemoryIsTakenAgain_data() {
    QTest::addColumn<Work>("work");
    // The C library raises its own thresholds as blocks come and go: each
    // row comes before the ones that would raise them for it.
    QTest::newRow("many small blocks") << Work(manySmallBlocks);
    QTest::newRow("on a thread of its own") << Work(onAThreadOfItsOwn);
    QTest::newRow("one large block") << Work(oneLargeBlock);
    QTest::newRow("a vector grown entry by entry") << Work(growingVector);
}

// Done a second time, the work finds its pages still there: almost none of
// them is faulted in afresh.
void TestFreedMemory::freedMemoryIsTakenAgain() {
    QFETCH(Work, work);
    work();
    const long before = pageFaults();
    work();
    const long faults = pageFaults() - before;
    QVERIFY2(faults < long(kTouched / 4096 / 20),
             qPrintable(QStringLiteral("%1 pages faulted in again").arg(faults)));
}

// What stays free leaves the process once it is given back.
void TestFreedMemory::freeMemoryIsGivenBack() {
    manySmallBlocks();
    const size_t kept = residentBytes();
    QVERIFY(FreedMemoryRelease::releaseNow());
    const size_t after = residentBytes();
    QVERIFY2(
        after + kTouched / 2 < kept,
        qPrintable(
            QStringLiteral("resident %1 MiB, then %2 MiB").arg(kept / kMiB).arg(after / kMiB)));
}

QTEST_GUILESS_MAIN(TestFreedMemory)
#include "tst_freed_memory.moc"
