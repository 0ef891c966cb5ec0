// A long listing's memory comes in large pages where the kernel gives them
// on request: the blocks a thread takes after asking fault in a fraction of
// the pages. Only the C library's allocator with the program's settings
// keeps the advice with the blocks, so the Release run of the suite takes
// the test.
#include "freed_memory.h"
#include "large_pages.h"

#include <QFile>
#include <QTest>

#include <memory>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

constexpr size_t kTouched = 24 * 1024 * 1024;
constexpr size_t kBlock = 96; // about a file name's

long threadPageFaults() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

// How often the kernel had no large page to give, so far.
qint64 largePagesRefused() {
    QFile vmstat(QStringLiteral("/proc/vmstat"));
    if (!vmstat.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : vmstat.readAll().split('\n'))
        if (line.startsWith("thp_fault_fallback "))
            return line.mid(19).toLongLong();
    return 0;
}

using Names = std::vector<std::unique_ptr<char[]>>;

// The pages faulted in while names of a long listing are made, each block
// written as a name would be. The names stay in `kept`, so that the next
// run finds no memory freed by this one.
long faultsMakingNames(bool asked, Names& kept) {
    const long before = threadPageFaults();
    if (asked)
        preferLargePages(kTouched + kTouched / 4);
    Names names(kTouched / kBlock);
    for (auto& name : names) {
        name = std::make_unique<char[]>(kBlock);
        name[0] = 1;
    }
    const long faults = threadPageFaults() - before;
    kept = std::move(names);
    return faults;
}

using Run = long (*)(bool, Names&);

long onThisThread(bool asked, Names& kept) {
    return faultsMakingNames(asked, kept);
}

long onAThreadOfItsOwn(bool asked, Names& kept) {
    long faults = 0;
    std::thread([&] { faults = faultsMakingNames(asked, kept); }).join();
    return faults;
}

} // namespace

class TestLargePages : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void askedForMemoryFaultsInLargePages_data();
    void askedForMemoryFaultsInLargePages();
};

void TestLargePages::initTestCase() {
    if (!keepFreedMemory())
        QSKIP("the allocator is not the C library's");
    // Where every program gets large pages, or none does, asking changes
    // nothing.
    QFile mode(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"));
    if (!mode.open(QIODevice::ReadOnly) || !mode.readAll().contains("[madvise]"))
        QSKIP("the kernel does not give large pages on request alone");
}

void TestLargePages::askedForMemoryFaultsInLargePages_data() {
    QTest::addColumn<Run>("run");
    QTest::newRow("on the program's first thread") << Run(onThisThread);
    QTest::newRow("on a thread of its own") << Run(onAThreadOfItsOwn);
}

// Unasked, every 4 KiB page of the names faults on its own; asked, far
// fewer do. Both times on memory the thread has not had before.
void TestLargePages::askedForMemoryFaultsInLargePages() {
    QFETCH(Run, run);
    Names first, second;
    const long unasked = run(false, first);
    const qint64 refusedBefore = largePagesRefused();
    const long asked = run(true, second);
    if (largePagesRefused() != refusedBefore)
        QSKIP("the kernel had no large page free");
    QVERIFY2(unasked > long(kTouched / 4096 / 2) && asked * 10 < unasked,
             qPrintable(QStringLiteral("%1 faults unasked, %2 asked").arg(unasked).arg(asked)));
}

QTEST_GUILESS_MAIN(TestLargePages)
#include "tst_large_pages.moc"
