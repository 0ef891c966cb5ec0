// The local pane on real directories: the drive, directory and file chain,
// Load_Files, and sorting with the Name, Date and Size buttons.
#include "common/twips_geometry.h"
#include "panes/extension_rule.h"
#include "panes/file_images.h"
#include "panes/local_formats.h"
#include "panes/local_fs.h"
#include "panes/local_listing.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"
#include "scripted_prompter.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestLocalPane : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fileListFollowsPatternAndSkipsHiddenFiles_data();
    void fileListFollowsPatternAndSkipsHiddenFiles();
    void loadFillsEntriesAndWorkLists();
    void loadShortensNamesButKeepsFullNameReachable();
    void dotInDirectoryNameDecidesTheIcon();
    void vanishedFileIsListedWithoutDateAndSize();
    void rootDirectoryGetsNoSecondSlash();
    void directoryListShowsAncestorsAndOpensSubdirectories();
    void driveThatCannotBeOpenedKeepsTheDirectory();
    void sortButtonsOnThreeFiles();
    void equalKeysKeepTheirOrderAndDescendingReverses();
    void sortIsRepeatableAndNameAscendingRestoresFileOrder();
    void refreshKeepsTheShownOrder();
    void failedReloadLeavesListsThatSortSafely();
    void namesThatAreNotUtf8AreShownAndWork();
    void listingThatComesLaterIsShownWhole_data();
    void listingThatComesLaterIsShownWhole();
    void newerListingWinsOverAnOlderOne();
    void firstLookHasAnEntryPerFile_data();
    void namesCutToTheColumnTheListHasWhenTheyCome_data();
    void namesCutToTheColumnTheListHasWhenTheyCome();
    void firstLookHasAnEntryPerFile();
    void namesMadeOnTwoThreadsComeOnceEach_data();
    void namesMadeOnTwoThreadsComeOnceEach();
    void selectionKeptWhenTheListingComesLater_data();
    void selectionKeptWhenTheListingComesLater();

private:
    void makeFile(const QString& name, qint64 size, const QDate& date,
                  const QString& dir = QString());
    QStringList shownNames() const;
    void verifyInvariants() const;
    bool buttonShows(int button, int arrow) const;

    ScriptedPrompter m_prompter;
    FileImages m_images;
    TwipsGeometry m_twips;
    std::unique_ptr<LocalPane> m_frm;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLocalPane::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestLocalPane::init() {
    m_prompter = ScriptedPrompter();
    m_frm = std::make_unique<LocalPane>(m_images, m_prompter, m_twips);
    m_frm->iNameColWidth = 400; // wide enough for every name unless a test narrows it
    // Each reload is checked at once: the listing is waited for however busy
    // the machine is (the tests of a late listing wait for none).
    m_frm->listingWaitMs = 60000;
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestLocalPane::cleanup() {
    m_frm.reset();
    m_dir.reset();
}

void TestLocalPane::makeFile(const QString& name, qint64 size, const QDate& date,
                             const QString& dir) {
    QFile f((dir.isEmpty() ? m_dir->path() : dir) + u'/' + name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.resize(size));
    QVERIFY(f.setFileTime(QDateTime(date, QTime(12, 0)), QFileDevice::FileModificationTime));
}

QStringList TestLocalPane::shownNames() const {
    QStringList names;
    const CVantelCtrl* list = m_frm->LstX_Files;
    for (int p = 0; p < list->ListCount(); ++p)
        names << list->List(p).section(u'\t', 0, 0);
    return names;
}

// What must hold after every reload and sort: four lists of File1's length,
// every entry carrying its file's index, text, icon and colour.
void TestLocalPane::verifyInvariants() const {
    const LocalPane& f = *m_frm;
    const CVantelCtrl* list = f.LstX_Files;
    const int n = f.File1->ListCount();
    QCOMPARE(list->ListCount(), n);
    QCOMPARE(f.Lst_hold.count(), n);
    QCOMPARE(f.Lst_Size.count(), n);
    QCOMPARE(f.Lst_Dates.count(), n);
    QList<int> seen;
    for (int p = 0; p < n; ++p) {
        const int k = list->ItemData(p);
        QVERIFY(k >= 0 && k < n);
        seen << k;
        QCOMPARE(list->List(p), f.Lst_hold.text(k));
        const FileKind kind = extensionKind(f.File1->directory() + f.File1->List(k), Pane::Local);
        QCOMPARE(list->ItemImage(p).cacheKey(), m_images.Img_Icons[size_t(kind.icon)].cacheKey());
        QCOMPARE(list->ItemForeColor(p), kind.color);
    }
    std::sort(seen.begin(), seen.end());
    for (int k = 0; k < n; ++k)
        QCOMPARE(seen[k], k);
}

bool TestLocalPane::buttonShows(int button, int arrow) const {
    const QIcon icon = m_frm->Cmd_Files[size_t(button)]->icon();
    if (arrow < 0)
        return icon.isNull();
    const QPixmap& want = m_images.Img_Arrow[size_t(arrow)];
    return !icon.isNull() &&
           icon.pixmap(want.size()).toImage().convertToFormat(QImage::Format_ARGB32) ==
               want.toImage().convertToFormat(QImage::Format_ARGB32);
}

void TestLocalPane::fileListFollowsPatternAndSkipsHiddenFiles_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("names");
    const QStringList all{"a.TXT", "b.txt", "C.zip", "Makefile", "x.doc"};
    QTest::newRow("*.* takes names without a dot") << "*.*" << all;
    QTest::newRow("*") << "*" << all;
    QTest::newRow("case ignored") << "*.txt" << QStringList{"a.TXT", "b.txt"};
    QTest::newRow("several, spaced") << "*.zip; *.doc" << QStringList{"C.zip", "x.doc"};
    QTest::newRow("nothing matches") << "*.exe" << QStringList{};
}

void TestLocalPane::fileListFollowsPatternAndSkipsHiddenFiles() {
    QFETCH(QString, pattern);
    QFETCH(QStringList, names);
    for (const char* name : {"x.doc", "b.txt", "Makefile", "a.TXT", "C.zip", ".hidden.txt"})
        makeFile(name, 1, QDate(2001, 1, 1));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub.txt")));
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    f.Txt_Pattern->setText(pattern);
    f.Cmd_Refresh_Click();
    QStringList listed;
    for (int i = 0; i < f.File1->ListCount(); ++i)
        listed << f.File1->List(i);
    QCOMPARE(listed, names);
    QCOMPARE(shownNames(), names);
    verifyInvariants();
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestLocalPane::loadFillsEntriesAndWorkLists() {
    makeFile("c.exe", 20, QDate(1998, 12, 31));
    makeFile("a.txt", 10, QDate(1999, 3, 1));
    makeFile("empty", 0, QDate(1999, 1, 1));
    makeFile("Big.zip", 1234567, QDate(2000, 1, 15));
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    QCOMPARE(f.localPath(), QDir(m_dir->path()).absolutePath());
    // The drive list shows the file system holding the directory, the root
    // file system first.
    QCOMPARE(f.Drive1->Drive(), QStorageInfo(m_dir->path()).rootPath());
    QCOMPARE(f.Drive1->itemText(0), QStringLiteral("/"));

    const CVantelCtrl* list = f.LstX_Files;
    QCOMPARE(list->ImageOffset(), short(4));
    QCOMPARE(list->TextOffset(), short(24));
    const QStringList texts{"a.txt\t03/01/99\t10", "Big.zip\t01/15/00\t1,234,567",
                            "c.exe\t12/31/98\t20", "empty\t01/01/99\t0"};
    for (int i = 0; i < texts.size(); ++i) {
        QCOMPARE(list->List(i), texts[i]);
        QCOMPARE(list->ItemData(i), i);
        QCOMPARE(f.Lst_hold.text(i), texts[i]);
    }
    QCOMPARE(list->ItemForeColor(0), 0x800000); // text, dark blue
    QCOMPARE(list->ItemForeColor(1), 0x800080); // archive, dark magenta
    QCOMPARE(list->ItemForeColor(3), -1);       // no type: the list's colour
    QCOMPARE(list->ItemImage(1).cacheKey(), m_images.Img_Icons[5].cacheKey());

    const QStringList sizeKeys{"000000000000", "000000000010", "000000000020", "000001234567"};
    const QList<int> bySize{3, 0, 2, 1};
    const QStringList dateKeys{"01/01/99", "01/15/00", "03/01/99", "12/31/98"};
    const QList<int> byDate{3, 1, 0, 2};
    for (int j = 0; j < 4; ++j) {
        QCOMPARE(f.Lst_Size.text(j), sizeKeys[j]);
        QCOMPARE(f.Lst_Size.data(j), bySize[j]);
        QCOMPARE(f.Lst_Dates.text(j), dateKeys[j]);
        QCOMPARE(f.Lst_Dates.data(j), byDate[j]);
    }
    verifyInvariants();
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestLocalPane::loadShortensNamesButKeepsFullNameReachable() {
    const QString longName = QStringLiteral("a_very_long_file_name_indeed.txt");
    makeFile(longName, 1, QDate(2001, 2, 3));
    makeFile("b", 1, QDate(2001, 2, 3));
    LocalPane& f = *m_frm;
    f.iNameColWidth = 90;
    QVERIFY(f.setLocalPath(m_dir->path()));
    const CVantelCtrl* list = f.LstX_Files;
    const QString shown = list->List(0).section(u'\t', 0, 0);
    QCOMPARE(shown, f.shortenName(longName));
    QVERIFY(shown.endsWith(u'~') && longName.startsWith(shown.chopped(1)));
    QVERIFY(NameShortener(list->Font(), 0).width(shown) <= 90 - 30);
    QCOMPARE(list->List(0), shown + QStringLiteral("\t02/03/01\t1"));
    QCOMPARE(f.File1->List(list->ItemData(0)), longName);
    QCOMPARE(list->List(1), QStringLiteral("b\t02/03/01\t1"));
    verifyInvariants();
}

void TestLocalPane::dotInDirectoryNameDecidesTheIcon() {
    LocalPane& f = *m_frm;
    const CVantelCtrl* list = f.LstX_Files;
    for (const auto& [dirName, icon, color] :
         {std::tuple{"my.dir", 0, -1}, std::tuple{"old.zip", 5, 0x800080}}) {
        const QString dir = m_dir->path() + u'/' + dirName;
        QVERIFY(QDir().mkdir(dir));
        makeFile("readme", 3, QDate(2001, 1, 1), dir);
        QVERIFY(f.setLocalPath(dir));
        QCOMPARE(list->ListCount(), 1);
        QCOMPARE(list->ItemImage(0).cacheKey(), m_images.Img_Icons[size_t(icon)].cacheKey());
        QCOMPARE(list->ItemForeColor(0), color);
    }
}

// A file gone between listing and reading: one message per failing step,
// and the entry still takes its place in every list.
void TestLocalPane::vanishedFileIsListedWithoutDateAndSize() {
    makeFile("a.txt", 10, QDate(1999, 3, 1));
    makeFile("gone.txt", 5, QDate(1999, 3, 1));
    makeFile("z.txt", 0, QDate(1999, 3, 1));
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    QVERIFY(QFile::remove(m_dir->path() + QStringLiteral("/gone.txt")));
    f.Load_Files();

    const CVantelCtrl* list = f.LstX_Files;
    QCOMPARE(list->List(1), QStringLiteral("gone.txt\t\t"));
    QCOMPARE(list->List(2), QStringLiteral("z.txt\t03/01/99\t0"));
    QCOMPARE(f.Lst_Dates.text(0), QString());
    QCOMPARE(f.Lst_Dates.data(0), 1);
    QCOMPARE(f.Lst_Size.text(0), QStringLiteral("000000000000"));
    QCOMPARE(f.Lst_Size.data(0), 1); // before z.txt, which came later
    QCOMPARE(m_prompter.messages.size(), 2);
    QCOMPARE(m_prompter.beeps, 2);
    for (const auto& m : m_prompter.messages) {
        QVERIFY(m.text.startsWith(QStringLiteral("The following error occurred: ")));
        QVERIFY(m.text.contains(QStringLiteral("gone.txt")));
        QCOMPARE(m.title, QStringLiteral("Qoro Consulting FTP"));
        QCOMPARE(m.icon, Prompter::Icon::Critical);
    }
    verifyInvariants();

    f.Cmd_Files_Click(2); // size, descending
    QCOMPARE(shownNames(), (QStringList{"a.txt", "z.txt", "gone.txt"}));
    verifyInvariants();
}

void TestLocalPane::rootDirectoryGetsNoSecondSlash() {
    FileListBox files;
    files.setPath(QStringLiteral("/"));
    QCOMPARE(files.directory(), QStringLiteral("/"));
    files.setPath(m_dir->path());
    QCOMPARE(files.directory(), m_dir->path() + u'/');
}

void TestLocalPane::directoryListShowsAncestorsAndOpensSubdirectories() {
    QDir base(m_dir->path());
    QVERIFY(base.mkpath(QStringLiteral("top/Beta")));
    QVERIFY(base.mkpath(QStringLiteral("top/alpha")));
    QVERIFY(base.mkpath(QStringLiteral("top/.hidden")));
    makeFile("inside.txt", 7, QDate(2002, 2, 2), base.filePath(QStringLiteral("top/alpha")));
    makeFile("file.txt", 7, QDate(2002, 2, 2), base.filePath(QStringLiteral("top")));
    LocalPane& f = *m_frm;
    const QString top = base.filePath(QStringLiteral("top"));
    QVERIFY(f.setLocalPath(top));

    DirListBox* dirs = f.Dir1;
    QStringList paths;
    for (int r = 0; r < dirs->count(); ++r)
        paths << dirs->entryPath(r);
    const QStringList ancestors = top.split(u'/', Qt::SkipEmptyParts);
    QCOMPARE(paths.first(), QStringLiteral("/"));
    QCOMPARE(paths.size(), ancestors.size() + 1 + 2);
    QCOMPARE(paths[ancestors.size()], top);
    QCOMPARE(dirs->currentRow(), ancestors.size());
    QCOMPARE(paths.mid(ancestors.size() + 1), (QStringList{top + "/alpha", top + "/Beta"}));
    QCOMPARE(shownNames(), QStringList{"file.txt"});

    // Enter on a sub-directory opens it and the chain reloads the files.
    dirs->setCurrentRow(ancestors.size() + 1);
    QTest::keyClick(dirs, Qt::Key_Return);
    QCOMPARE(f.Dir1->Path(), top + "/alpha");
    QCOMPARE(f.File1->Path(), top + "/alpha");
    QCOMPARE(shownNames(), QStringList{"inside.txt"});

    // ... and an ancestor takes it back up.
    dirs->setCurrentRow(ancestors.size());
    QTest::keyClick(dirs, Qt::Key_Return);
    QCOMPARE(f.localPath(), top);
    QCOMPARE(shownNames(), QStringList{"file.txt"});
    verifyInvariants();
}

void TestLocalPane::driveThatCannotBeOpenedKeepsTheDirectory() {
    makeFile("a.txt", 10, QDate(1999, 3, 1));
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    const QString before = f.LstX_Files->List(0);

    const QString missing = m_dir->path() + QStringLiteral("/no-medium");
    f.Drive1->setDrive(missing);
    QCOMPARE(m_prompter.beeps, 1);
    QCOMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(m_prompter.messages[0].text,
             QStringLiteral("The following error occurred: Path not found: ") + missing);
    QCOMPARE(m_prompter.messages[0].title, QStringLiteral("Qoro Consulting FTP"));
    QCOMPARE(m_prompter.messages[0].icon, Prompter::Icon::Critical);
    QCOMPARE(f.Drive1->Drive(), missing);
    QCOMPARE(f.localPath(), QDir(m_dir->path()).absolutePath());
    QCOMPARE(f.File1->Path(), f.localPath());
    QCOMPARE(f.LstX_Files->ListCount(), 1);
    QCOMPARE(f.LstX_Files->List(0), before);

    // A drive that opens takes the chain through to the list. (A drive
    // stands for a mount path; any directory serves here.)
    const QString stick = m_dir->path() + QStringLiteral("/stick");
    QVERIFY(QDir().mkdir(stick));
    makeFile("photo.jpg", 300, QDate(2003, 4, 5), stick);
    f.Drive1->setDrive(stick);
    QCOMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(f.localPath(), stick);
    QCOMPARE(shownNames(), QStringList{"photo.jpg"});
}

// The three files, the buttons pressed in the given order from the start.
void TestLocalPane::sortButtonsOnThreeFiles() {
    makeFile("a.txt", 10, QDate(1999, 3, 1));
    makeFile("b.zip", 5, QDate(2000, 1, 15));
    makeFile("c.exe", 20, QDate(1998, 12, 31));
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    QCOMPARE(shownNames(), (QStringList{"a.txt", "b.zip", "c.exe"}));
    QVERIFY(buttonShows(0, 1) && buttonShows(1, -1) && buttonShows(2, -1));

    struct Press {
        int button;
        QStringList order;
        int arrow; // 0 down, 1 up
    };
    const QList<Press> presses{
        {2, {"c.exe", "a.txt", "b.zip"}, 0},
        {2, {"b.zip", "a.txt", "c.exe"}, 1},
        {1, {"c.exe", "a.txt", "b.zip"}, 0},
        {0, {"c.exe", "b.zip", "a.txt"}, 0},
    };
    for (const Press& press : presses) {
        f.Cmd_Files_Click(press.button);
        QCOMPARE(f.iSortKey, short(press.button));
        QCOMPARE(shownNames(), press.order);
        for (int b = 0; b < 3; ++b)
            QVERIFY2(buttonShows(b, b == press.button ? press.arrow : -1),
                     qPrintable(QStringLiteral("button %1").arg(b)));
        QCOMPARE(f.LstX_Files->ListIndex(), 0);
        verifyInvariants();
    }
    QVERIFY(f.bLocalNameDesc && f.bLocalDateDesc && !f.bLocalSizeDesc);
}

void TestLocalPane::equalKeysKeepTheirOrderAndDescendingReverses() {
    // Same size and date for d1 to d3; e is larger and later.
    for (const char* name : {"d2", "d1", "d3"})
        makeFile(name, 50, QDate(2005, 6, 7));
    makeFile("e", 60, QDate(2005, 12, 1));
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    for (short key : {short(1), short(2)}) {
        f.bLocalDateDesc = f.bLocalSizeDesc = false;
        f.sort_files(key);
        QCOMPARE(shownNames(), (QStringList{"d1", "d2", "d3", "e"}));
        f.bLocalDateDesc = f.bLocalSizeDesc = true;
        f.sort_files(key);
        QCOMPARE(key, key == 1 ? short(1) : short(2)); // left unchanged
        QCOMPARE(shownNames(), (QStringList{"e", "d3", "d2", "d1"}));
        verifyInvariants();
    }
}

void TestLocalPane::sortIsRepeatableAndNameAscendingRestoresFileOrder() {
    makeFile("a.cpp", 3, QDate(2001, 1, 3));
    makeFile("b.asp", 1, QDate(2001, 1, 1));
    makeFile("c.gif", 2, QDate(2001, 1, 2));
    makeFile("d", 4, QDate(2001, 1, 4));
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    f.bLocalSizeDesc = true;
    short size = 2;
    f.sort_files(size);
    const QStringList once = shownNames();
    f.sort_files(size);
    QCOMPARE(shownNames(), once);
    QCOMPARE(once, (QStringList{"d", "a.cpp", "c.gif", "b.asp"}));
    verifyInvariants();

    short name = 0;
    f.sort_files(name);
    QCOMPARE(shownNames(), (QStringList{"a.cpp", "b.asp", "c.gif", "d"}));
    for (int p = 0; p < 4; ++p)
        QCOMPARE(f.LstX_Files->ItemData(p), p);
    verifyInvariants();

    // Any other key leaves list and arrows alone.
    short other = 3;
    f.sort_files(other);
    QCOMPARE(shownNames(), (QStringList{"a.cpp", "b.asp", "c.gif", "d"}));
    QVERIFY(buttonShows(0, 1) && buttonShows(2, -1));

    // An empty list: nothing to write, but the arrows move; no current entry.
    f.Txt_Pattern->setText(QStringLiteral("*.none"));
    f.Cmd_Refresh_Click();
    f.Cmd_Files_Click(1);
    QVERIFY(buttonShows(0, -1) && buttonShows(1, 0) && buttonShows(2, -1));
    QCOMPARE(f.LstX_Files->ListIndex(), -1);
    verifyInvariants();
}

// Refresh reads the directory again and shows it in the order of the sort
// buttons, so that the arrows never contradict the list.
void TestLocalPane::refreshKeepsTheShownOrder() {
    makeFile("a.txt", 10, QDate(1999, 3, 1));
    makeFile("b.zip", 5, QDate(2000, 1, 15));
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    f.Cmd_Files_Click(2);
    QCOMPARE(shownNames(), (QStringList{"a.txt", "b.zip"}));
    makeFile("c.exe", 20, QDate(1998, 12, 31));
    short enter = 13;
    f.Txt_Pattern_KeyPress(enter);
    QCOMPARE(enter, short(0));
    QCOMPARE(shownNames(), (QStringList{"c.exe", "a.txt", "b.zip"}));
    QVERIFY(buttonShows(2, 0));
    verifyInvariants();
}

// A message about one file lets the window handle events, which may read
// the directory again: the lists left behind still sort without harm.
void TestLocalPane::failedReloadLeavesListsThatSortSafely() {
    makeFile("a.txt", 10, QDate(1999, 3, 1));
    makeFile("gone.txt", 5, QDate(1999, 3, 2));
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    QVERIFY(QFile::remove(m_dir->path() + QStringLiteral("/gone.txt")));
    // While each message shows, a file arrives, and another one is listed
    // that is gone before it is read: the lists never catch up on their own.
    int late = 0;
    m_prompter.whileShowingMessage = [&] {
        if (late == 6)
            return;
        makeFile(QStringLiteral("keep%1.txt").arg(late), 20, QDate(2001, 1, 1));
        const QString gone = QStringLiteral("late%1.txt").arg(late++);
        makeFile(gone, 20, QDate(2001, 1, 1));
        f.File1->Refresh();
        QFile::remove(m_dir->path() + u'/' + gone);
    };
    f.Load_Files();
    for (int button : {2, 1, 0, 2})
        f.Cmd_Files_Click(button);
    QCOMPARE(late, 6);
    f.File1->Refresh();
    f.Load_Files();
    f.Cmd_Files_Click(2);
    verifyInvariants();
    QCOMPARE(shownNames().size(), 7);
}

// Names written by programs of another encoding are listed with a mark in
// place of what cannot be read, and renaming, deleting and entering them
// works on their very bytes. Nothing is reported file by file.
void TestLocalPane::namesThatAreNotUtf8AreShownAndWork() {
    const QByteArray base = QFile::encodeName(m_dir->path()) + '/';
    const auto create = [&](const QByteArray& name) {
        const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    };
    create("r\xE9sum\xE9.txt");
    create("caf\xE9.txt");
    QCOMPARE(::mkdir((base + "data\xFE").constData(), 0755), 0);
    create("data\xFE/inner.txt");
    const auto exists = [&](const QByteArray& name) {
        return ::access((base + name).constData(), F_OK) == 0;
    };
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    const QChar mark(0xFFFD);
    QCOMPARE(shownNames(), (QStringList{QStringLiteral("caf") + mark + QStringLiteral(".txt"),
                                        QStringLiteral("r") + mark + QStringLiteral("sum") + mark +
                                            QStringLiteral(".txt")}));
    verifyInvariants();

    // Into the folder and back.
    int folder = -1;
    for (int row = 0; row < f.Dir1->count(); ++row)
        if (f.Dir1->item(row)->text().trimmed() == QStringLiteral("data") + mark)
            folder = row;
    QVERIFY(folder >= 0);
    QVERIFY(f.Dir1->setPath(f.Dir1->entryPath(folder)));
    QCOMPARE(shownNames(), QStringList{"inner.txt"});
    QVERIFY(f.setLocalPath(m_dir->path()));

    const auto selectOnly = [&](const QString& shown) {
        for (int p = 0; p < f.LstX_Files->ListCount(); ++p)
            f.LstX_Files->SetSelected(p, shownNames()[p] == shown);
    };
    selectOnly(QStringLiteral("r") + mark + QStringLiteral("sum") + mark + QStringLiteral(".txt"));
    m_prompter.inputs = {QStringLiteral("resume.txt")};
    f.Cmd_Rename_Click();
    QVERIFY(exists("resume.txt"));
    QVERIFY(!exists("r\xE9sum\xE9.txt"));

    selectOnly(QStringLiteral("caf") + mark + QStringLiteral(".txt"));
    m_prompter.answers = {Prompter::Answer::Yes};
    f.Cmd_Delete_Click();
    QVERIFY(!exists("caf\xE9.txt"));
    QVERIFY(m_prompter.messages.isEmpty());
    QCOMPARE(m_prompter.beeps, 0);

    QVERIFY(::unlink((base + "data\xFE/inner.txt").constData()) == 0);
    QVERIFY(::rmdir((base + "data\xFE").constData()) == 0);
}

// A directory read longer than the window waits comes a moment later, whole:
// names, dates and sizes, the work lists and the order. Meanwhile the list
// and its work lists stay as they were, and sorting does no harm.
void TestLocalPane::listingThatComesLaterIsShownWhole_data() {
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<int>("firstLookKeptFrom");
    QTest::newRow("entries made with the listing") << 0 << 1000;
    QTest::newRow("the first look's entries kept") << 0 << 1;
    // The whole listing is ready before the window stops waiting: its first
    // look never reaches the list, which then makes the entries itself.
    QTest::newRow("first look never shown") << 60000 << 1;
}

void TestLocalPane::listingThatComesLaterIsShownWhole() {
    QFETCH(int, waitMs);
    QFETCH(int, firstLookKeptFrom);
    // The list shows as many files of another folder first, in file order.
    QTemporaryDir before;
    for (int i = 0; i < 300; ++i) {
        makeFile(QStringLiteral("f%1.txt").arg(i, 3, 10, QChar(u'0')), i, QDate(2001, 1, 1));
        makeFile(QStringLiteral("g%1.zip").arg(i, 3, 10, QChar(u'0')), i, QDate(2001, 1, 1),
                 before.path());
    }
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(before.path()));
    QTRY_VERIFY(!f.listingPending());
    f.listingWaitMs = waitMs;
    f.firstLookKeptFrom = firstLookKeptFrom;
    QVERIFY(f.setLocalPath(m_dir->path()));
    f.Cmd_Files_Click(2);
    QTRY_VERIFY(!f.listingPending());
    QTRY_COMPARE(f.LstX_Files->ListCount(), 300);
    verifyInvariants();
    // Sorted by size, descending: the largest first, with its date and size.
    QCOMPARE(f.LstX_Files->List(0), QStringLiteral("f299.txt\t01/01/01\t299"));
    QCOMPARE(f.localDirectory(), m_dir->path() + u'/');
}

void TestLocalPane::newerListingWinsOverAnOlderOne() {
    QTemporaryDir first, second;
    for (int i = 0; i < 50; ++i) {
        makeFile(QStringLiteral("old%1").arg(i), 1, QDate(2000, 1, 1), first.path());
        makeFile(QStringLiteral("new%1").arg(i), 1, QDate(2000, 1, 1), second.path());
    }
    LocalPane& f = *m_frm;
    f.listingWaitMs = 0;
    QVERIFY(f.setLocalPath(first.path()));
    QVERIFY(f.setLocalPath(second.path()));
    QTRY_VERIFY(!f.listingPending());
    // The older reading has ended too, and whatever it sent has arrived.
    QVERIFY(QThreadPool::globalInstance()->waitForDone(30000));
    QCoreApplication::processEvents();
    QCOMPARE(f.LstX_Files->ListCount(), 50);
    QVERIFY(shownNames().first().startsWith(QStringLiteral("new")));
    QCOMPARE(f.File1->Path(), QDir(second.path()).absolutePath());
    verifyInvariants();
}

// A long directory's first look: one entry for each file shown, in File1's
// order, whatever else the directory holds. Every file is listed once, also
// when the directory is read in many pieces.
void TestLocalPane::firstLookHasAnEntryPerFile_data() {
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("folders");
    QTest::addColumn<int>("linksToAFolder");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("shown");
    QTest::newRow("files alone") << 4500 << 0 << 0 << "*" << 4500;
    QTest::newRow("many folders beside") << 4500 << 1000 << 0 << "*" << 4500;
    QTest::newRow("many links to a folder beside") << 4500 << 1 << 1000 << "*" << 4500;
    QTest::newRow("a pattern that keeps a few") << 4500 << 0 << 0 << "*.zip" << 100;
    QTest::newRow("a pattern that keeps nearly all") << 4500 << 0 << 0 << "*.txt" << 4400;
    QTest::newRow("read in many pieces") << 30000 << 0 << 0 << "*" << 30000;
}

void TestLocalPane::firstLookHasAnEntryPerFile() {
    QFETCH(int, files);
    QFETCH(int, folders);
    QFETCH(int, linksToAFolder);
    QFETCH(QString, pattern);
    QFETCH(int, shown);
    const QString base = m_dir->path() + u'/';
    QStringList expected;
    for (int i = 0; i < files; ++i) {
        const QString name = QStringLiteral("n%1.%2").arg(files - i).arg(i < 100 ? "zip" : "txt");
        QVERIFY(QFile(base + name).open(QIODevice::WriteOnly));
        if (QDir::match(pattern, name))
            expected << name;
    }
    expected.sort();
    for (int i = 0; i < folders; ++i)
        QVERIFY(QDir().mkdir(base + QStringLiteral("d%1").arg(i)));
    for (int i = 0; i < linksToAFolder; ++i)
        QVERIFY(QFile::link(base + "d0", base + QStringLiteral("l%1").arg(i)));
    LocalListingRequest request;
    request.directory = m_dir->path();
    request.pattern = pattern;
    request.nameColumn = 400;
    SharedLocalListing first;
    const SharedLocalListing listing =
        makeLocalListing(request, [&](const SharedLocalListing& p) { first = p; });
    QVERIFY(first);
    QCOMPARE(listing->names.size(), shown);
    QCOMPARE(listing->names, expected);
    QCOMPARE(first->names, listing->names);
    CVantelCtrl list;
    list.SetBatch(std::move(first->batch), {});
    QCOMPARE(list.ListCount(), shown);
    for (int i = 0; i < shown; ++i)
        QCOMPARE(list.List(i), listing->names[i]);
}

// Once the whole directory is read, the reading thread makes names too. The
// second thread is held on its first name until the first has made one, so
// that both surely share the work: each file and each directory still comes
// exactly once.
void TestLocalPane::namesMadeOnTwoThreadsComeOnceEach_data() {
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("folders");
    QTest::newRow("files alone") << 12000 << 0;
    QTest::newRow("folders among them") << 12000 << 3000;
}

void TestLocalPane::namesMadeOnTwoThreadsComeOnceEach() {
    QFETCH(int, files);
    QFETCH(int, folders);
    const QString base = m_dir->path() + u'/';
    QStringList expectedFiles, expectedFolders;
    for (int i = 0; i < files; ++i) {
        expectedFiles << QStringLiteral("file_%1.txt").arg(i);
        QVERIFY(QFile(base + expectedFiles.last()).open(QIODevice::WriteOnly));
    }
    for (int i = 0; i < folders; ++i) {
        expectedFolders << QStringLiteral("folder_%1").arg(i);
        QVERIFY(QDir().mkdir(base + expectedFolders.last()));
    }
    std::mutex mutex;
    std::condition_variable helped;
    QStringList made[2];
    const auto sinkFor = [&](int thread) {
        return [&, thread](QString name) {
            std::unique_lock lock(mutex);
            made[thread] << name;
            if (thread == 1)
                helped.notify_all();
            else if (made[0].size() == 1)
                helped.wait_for(lock, std::chrono::seconds(60), [&] { return !made[1].isEmpty(); });
        };
    };
    QStringList folderNames;
    const LocalFs::Directory dir(m_dir->path());
    dir.scan(sinkFor(0), &folderNames, {}, sinkFor(1));
    QVERIFY(!made[0].isEmpty() && !made[1].isEmpty());
    QStringList allFiles = made[0] + made[1];
    allFiles.sort();
    expectedFiles.sort();
    QCOMPARE(allFiles, expectedFiles);
    folderNames.sort();
    expectedFolders.sort();
    QCOMPARE(folderNames, expectedFolders);
}

// The list is laid out again (new column widths, or a new font) while a
// directory is still being read: the names come cut to what the list has
// then, not to what it had when the reading began.
void TestLocalPane::namesCutToTheColumnTheListHasWhenTheyCome_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("the name column widens") << "column";
    QTest::newRow("the font shrinks") << "font";
}

void TestLocalPane::namesCutToTheColumnTheListHasWhenTheyCome() {
    QFETCH(QString, change);
    const QString name = QStringLiteral("a_rather_long_report_name.txt");
    makeFile(name, 1, QDate(2001, 1, 1));
    LocalPane& f = *m_frm;
    QFont font = f.LstX_Files->Font();
    font.setPixelSize(change == u"font" ? 40 : 10);
    f.LstX_Files->SetFont(font);
    f.iNameColWidth = change == u"column" ? 60 : 400;
    f.listingWaitMs = 0;
    QVERIFY(f.setLocalPath(m_dir->path()));
    QVERIFY(f.listingPending());
    // What the window's layout does: new widths, then the list reloaded.
    f.iNameColWidth = 400;
    font.setPixelSize(10);
    f.LstX_Files->SetFont(font);
    f.Load_Files();
    QTRY_VERIFY(!f.listingPending());
    QCOMPARE(f.LstX_Files->List(0).section(u'\t', 0, 0), name);
    verifyInvariants();
}

void TestLocalPane::selectionKeptWhenTheListingComesLater_data() {
    QTest::addColumn<int>("button");
    QTest::newRow("by name, descending") << 0;
    QTest::newRow("by size, descending") << 2;
}

// A refresh that keeps the view finds the selection again once the whole
// listing is in, also when the names were shown before it.
void TestLocalPane::selectionKeptWhenTheListingComesLater() {
    QFETCH(int, button);
    for (int i = 0; i < 300; ++i)
        makeFile(QStringLiteral("f%1.txt").arg(i, 3, 10, QChar(u'0')), i, QDate(2001, 1, 1));
    LocalPane& f = *m_frm;
    QVERIFY(f.setLocalPath(m_dir->path()));
    QTRY_VERIFY(!f.listingPending());
    f.Cmd_Files_Click(button);
    const QStringList chosen{"f010.txt", "f200.txt"};
    for (int i = 0; i < f.LstX_Files->ListCount(); ++i)
        f.LstX_Files->SetSelected(i, chosen.contains(f.shownName(i)));
    f.listingWaitMs = 0;
    f.refreshKeepingView();
    QTRY_VERIFY(!f.listingPending());
    QStringList selected;
    for (int i = 0; i < f.LstX_Files->ListCount(); ++i)
        if (f.LstX_Files->Selected(i))
            selected << f.shownName(i);
    selected.sort();
    QCOMPARE(selected, chosen);
    verifyInvariants();
}

QTEST_MAIN(TestLocalPane)
#include "tst_local_pane.moc"
