// The remote pane: its controls, the listing into its lists, and moving
// about the remote tree.
#include "remote_pane.h"

#include "common/client_errors.h"
#include "common/twips_geometry.h"
#include "desktop_drag.h"
#include "extension_rule.h"
#include "file_images.h"
#include "large_pages.h"
#include "pane_work.h"
#include "remote_file_ops.h"
#include "remote_names.h"
#include "remote_session.h"

#include <vantel/vantelctrl.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>

#include <stdexcept>
#include <thread>

namespace {

constexpr qsizetype kRoomBesideFrom = 4000;

SharedRemoteRows makeRemoteRows(const SharedListing& listing, bool descending, const QFont& font) {
    auto rows = std::make_shared<RemoteRows>();
    rows->listing = listing;
    rows->descending = descending;
    const size_t count = listing ? listing->files.size() : 0;
    // The list's entries take the most room: a second thread makes it
    // while this one makes the rest.
    std::thread room;
    if (qsizetype(count) >= kRoomBesideFrom)
        room = std::thread([&] {
            preferLargePagesFor(qsizetype(count));
            rows->batch.resize(count);
        });
    else
        rows->batch.resize(count);
    preferLargePagesFor(qsizetype(count));
    rows->names.resize(count);
    rows->kinds.resize(count);
    if (room.joinable())
        room.join();
    inTwoParts(qsizetype(count), kRoomBesideFrom, [&](qsizetype from, qsizetype to) {
        for (qsizetype j = from; j < to; ++j) {
            const size_t i = descending ? count - 1 - size_t(j) : size_t(j);
            const QString& name = listing->files[i].name;
            rows->names[i] = {name, 0};
            rows->kinds[i] = extensionKind(name, Pane::Remote);
            CVantelCtrl::SetInBatch(rows->batch, size_t(j),
                                    {shownFile(name, listing->files[i].isLink), qint32(i),
                                     rows->kinds[i].icon, rows->kinds[i].color},
                                    font);
        }
    });
    return rows;
}

} // namespace

RemotePane::RemotePane(RemoteSession& session, const FileImages& images, Prompter& prompter,
                       TwipsGeometry& twips, QWidget* parent)
    : FilePane(1, images, prompter, twips, parent)
    , m_session(session)
    , m_work(std::make_unique<PaneWork<SharedRemoteRows>>(
          [this](const SharedRemoteRows& rows) { takeRows(rows); }))
    , m_icons(images.icons()) {
    createRemoteLists();
    setOperations(std::make_unique<RemoteFileOps>(*this, session, prompter));
    setAcceptDrops(true);
}

RemotePane::~RemotePane() = default;

bool RemotePane::listingPending() const {
    return m_work->pending();
}

void RemotePane::createRemoteLists() {
    Lbl_Dir = new QLabel(this);
    Lbl_Dir->setToolTip(QStringLiteral("Current remote directory"));
    Lst_Remote_Dir = new QListWidget(this);
    Lst_Remote_Dir->setToolTip(
        QStringLiteral("Remote Directories (Dbl-Click to switch directories)"));
    m_twips.place(Lbl_Dir, 135, 240, 4305, 255);
    m_twips.place(Lst_Remote_Dir, 135, 540, 4305, 1500);
    m_twips.place(Cmd_Files[0], 135, 2100, 4305, 255);
    m_twips.place(Cmd_Files[1], 135, 2100, 1000, 255);
    m_twips.place(Cmd_Files[2], 1200, 2100, 1000, 255);
    // Remote entries carry names only: of the three sort buttons, Name shows.
    Cmd_Files[1]->hide();
    Cmd_Files[2]->hide();
    connect(Lst_Remote_Dir, &QListWidget::itemDoubleClicked, this,
            [this] { Lst_Remote_Dir_DblClick(); });
    // Enter opens the directory as a double-click does.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), Lst_Remote_Dir);
        enter->setContext(Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this] { Lst_Remote_Dir_DblClick(); });
    }
    connect(LstX_Files, &CVantelCtrl::DblClick, this, [this] { LstX_Files_DblClick(); });
    connect(&m_session, &RemoteSession::listingRead, this,
            [this](const SharedListing& listing) { ShowRemoteFileList(listing); });
    connect(&m_session, &RemoteSession::directoryChanged, this, &RemotePane::showDirectory);
}

void RemotePane::showDirectory(const QString& directory) {
    Lbl_Dir->setText(shownRemote(directory));
}

// The listing is made ready for the lists away from the window's thread; the
// lists take it in one step, so that no click ever acts on lists half
// rebuilt. A short listing is ready at once.
int RemotePane::ShowRemoteFileList(const SharedListing& listing) {
    const bool descending = bRemoteNameDesc;
    const QFont font = LstX_Files->Font();
    const auto job = [listing, descending, font](const PaneWork<SharedRemoteRows>::Preview&) {
        return makeRemoteRows(listing, descending, font);
    };
    const qsizetype entries =
        listing ? qsizetype(listing->files.size() + listing->directories.size()) : 0;
    const int waitMs = entries <= listingWaitUpTo ? listingWaitMs : 0;
    if (const SharedRemoteRows rows = m_work->start(job, waitMs))
        takeRows(rows);
    return 0;
}

void RemotePane::takeRows(const SharedRemoteRows& rows) {
    try {
        Lst_Remote_Dir->clear();
        auto* parent = new QListWidgetItem(QStringLiteral("../"), Lst_Remote_Dir);
        parent->setData(Qt::UserRole, QStringLiteral("../"));
        if (rows->listing) {
            for (const RemoteEntry& dir : rows->listing->directories) {
                auto* item =
                    new QListWidgetItem(shownFile(dir.name, dir.isLink) + u'/', Lst_Remote_Dir);
                item->setData(Qt::UserRole, dir.name + u'/');
                if (dir.isLink)
                    item->setToolTip(QStringLiteral("Symbolic link"));
            }
        }
        Lst_Remote.assignInOrder(std::move(rows->names));
        m_kinds = std::move(rows->kinds);
        m_listing = rows->listing;
        m_fileIndex.clear();
        LstX_Files->SetImageOffset(4);
        LstX_Files->SetTextOffset(24);
        setFileBatch(std::move(rows->batch), m_icons);
        if (rows->descending != bRemoteNameDesc)
            Load_FilesR();
        Cmd_Files[0]->setIcon(bRemoteNameDesc ? m_images.Img_Arrow[0] : m_images.Img_Arrow[1]);
        applyMarks();
        restoreView();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "));
    }
}

// Descending order is the exact reverse of the names' order. A list of the
// same length is written over in one step; another is filled afresh.
void RemotePane::Load_FilesR() {
    CVantelCtrl* list = LstX_Files;
    list->SetImageOffset(4);
    list->SetTextOffset(24);
    const int count = Lst_Remote.count();
    if (m_kinds.size() != size_t(count)) {
        m_kinds.clear();
        for (int i = 0; i < count; ++i)
            m_kinds.push_back(extensionKind(Lst_Remote.text(i), Pane::Remote));
    }
    std::vector<CVantelCtrl::Entry> entries;
    entries.reserve(size_t(count));
    for (int j = 0; j < count; ++j) {
        const int i = bRemoteNameDesc ? count - 1 - j : j;
        const FileKind& kind = m_kinds[size_t(i)];
        const QString& name = Lst_Remote.text(i);
        const RemoteEntry* entry = remoteEntry(name);
        entries.push_back({shownFile(name, entry && entry->isLink), i, kind.icon, kind.color});
    }
    setFileRows(entries, m_icons);
    Cmd_Files[0]->setIcon(bRemoteNameDesc ? m_images.Img_Arrow[0] : m_images.Img_Arrow[1]);
    applyMarks();
}

void RemotePane::clear() {
    setFileRows({}, {});
    Lst_Remote.clear();
    Lst_Remote_Dir->clear();
    Lbl_Dir->clear();
}

QString RemotePane::remoteName(int row) const {
    const int index = LstX_Files->ItemData(row);
    if (index < 0 || index >= Lst_Remote.count())
        throw std::runtime_error("The remote list entry no longer names a file.");
    return Lst_Remote.text(index);
}

const RemoteEntry* RemotePane::remoteEntry(const QString& name) const {
    if (!m_listing)
        return nullptr;
    if (m_fileIndex.isEmpty())
        for (size_t i = 0; i < m_listing->files.size(); ++i)
            m_fileIndex.insert(m_listing->files[i].name, int(i));
    const int index = m_fileIndex.value(name, -1);
    return index >= 0 ? &m_listing->files[size_t(index)] : nullptr;
}

QString RemotePane::selectedRemoteFolder() const {
    const QListWidgetItem* item = Lst_Remote_Dir->currentItem();
    if (!item || !item->isSelected())
        return {};
    QString name = item->data(Qt::UserRole).toString();
    if (name == u"../" || !name.endsWith(u'/'))
        return {};
    name.chop(1);
    return name;
}

void RemotePane::refreshKeepingView() {
    if (m_session.runner().busy() || !m_session.connected())
        return;
    keepView();
    listAgain();
}

QString RemotePane::remoteDirectory() const {
    const QString dir = m_session.currentDirectory();
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

// A link whose target the listing does not tell may lead to a directory:
// entering it is tried, and when the server refuses, it stays a file.
void RemotePane::enterLinkedFile() {
    if (m_session.runner().busy() || m_session.runner().closed() || LstX_Files->ListIndex() < 0)
        return;
    const QString name = remoteName(LstX_Files->ListIndex());
    const RemoteEntry* entry = remoteEntry(name);
    if (!entry || !entry->isLink)
        return;
    const QString dir = remoteDirectory() + name + u'/';
    showDirectory(dir);
    RemoteJob* job =
        m_session.listDirectory(dir, Txt_Pattern->text(), RemoteSession::ListVerb::Ls, true);
    runJobs(JobChain::of(job, this), QStringLiteral("The following error occurred: "),
            [this, name] {
                showDirectory(remoteDirectory());
                if (m_session.runner().lastCommandFailed())
                    m_session.log(QStringLiteral("\r\n") + shownRemote(name) +
                                  QStringLiteral(" is a link to a file"));
            });
}

void RemotePane::LstX_Files_DblClick() {
    try {
        enterLinkedFile();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "));
    }
}

// The directory shown changes once its listing arrived; until then the
// label names the one on its way.
void RemotePane::openRemoteDirectory() {
    if (m_session.runner().busy() || m_session.runner().closed())
        return;
    QString dir = remoteDirectory();
    const QListWidgetItem* item = Lst_Remote_Dir->currentItem();
    const QString sel =
        item && item->isSelected() ? item->data(Qt::UserRole).toString() : QString();
    if (dir.size() > m_session.rootDirectory().size() + 1 && sel == u"../") {
        // Up one level, keeping the trailing "/": /pub/docs/ becomes /pub/.
        const qsizetype slash = dir.lastIndexOf(u'/', dir.size() - 2);
        if (slash >= 0)
            dir.truncate(slash + 1);
    } else if (sel != u"./" && sel != u"../") {
        dir += sel;
    }
    listDirectory(dir);
}

void RemotePane::listDirectory(const QString& dir) {
    showDirectory(dir);
    runJobs(JobChain::of(m_session.listDirectory(dir, Txt_Pattern->text()), this),
            QStringLiteral("The following error occurred: "),
            [this] { showDirectory(remoteDirectory()); });
}

void RemotePane::openDirectory(const QString& directory) {
    if (m_session.runner().busy() || m_session.runner().closed() || !m_session.connected())
        return;
    QString root = m_session.rootDirectory();
    if (!root.endsWith(u'/'))
        root += u'/';
    QString dir = directory.startsWith(u'/') ? directory : root + directory;
    if (!dir.endsWith(u'/'))
        dir += u'/';
    const QString before = remoteDirectory();
    showDirectory(dir);
    auto* chain = new JobChain(this);
    chain->then([this, dir] { return m_session.listDirectory(dir, Txt_Pattern->text()); })
        .then([this, chain, before]() -> RemoteJob* {
            if (!chain->lastResult().failed())
                return nullptr;
            showDirectory(before);
            return m_session.listDirectory(before, Txt_Pattern->text());
        });
    runJobs(chain, QStringLiteral("The following error occurred: "),
            [this] { showDirectory(remoteDirectory()); });
}

void RemotePane::goUp() {
    const QList<QListWidgetItem*> up =
        Lst_Remote_Dir->findItems(QStringLiteral("../"), Qt::MatchExactly);
    if (up.isEmpty())
        return;
    Lst_Remote_Dir->setCurrentItem(up.first());
    up.first()->setSelected(true);
    Lst_Remote_Dir_DblClick();
}

void RemotePane::Lst_Remote_Dir_DblClick() {
    try {
        openRemoteDirectory();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "));
    }
}

void RemotePane::Cmd_Refresh_Click() {
    Lst_Remote_Dir_DblClick();
}

// A command still running completes as what it is; the listing follows it.
void RemotePane::listWithPattern() {
    runJobs(JobChain::of(m_session.listDirectory(remoteDirectory(), Txt_Pattern->text()), this),
            QStringLiteral("The following error occurred: "));
}

RemoteJob* RemotePane::listAgain() {
    return m_session.listDirectory(remoteDirectory(), Txt_Pattern->text(),
                                   RemoteSession::ListVerb::Dir);
}

// A chain that ends in an error reports it; `done` follows any other end.
void RemotePane::runJobs(JobChain* chain, const QString& errorPrefix, std::function<void()> done) {
    connect(chain, &JobChain::finished, this,
            [this, errorPrefix, done](bool, std::exception_ptr error) {
                if (error)
                    ::reportError(m_prompter, errorPrefix, error);
                else if (done)
                    done();
            });
    chain->start();
}

void RemotePane::Cmd_Files_Click(int index) {
    if (index == 3)
        bRemoteNameDesc = !bRemoteNameDesc;
    Load_FilesR();
    LstX_Files->setFocus(Qt::OtherFocusReason);
    if (LstX_Files->ListCount() > 0)
        LstX_Files->SetListIndex(0);
}

QList<QWidget*> RemotePane::tabOrder() const {
    return QList<QWidget*>{Lst_Remote_Dir} + FilePane::tabOrder();
}

// Only local files can be uploaded, and only while connected.
void RemotePane::dragEnterEvent(QDragEnterEvent* e) {
    if (m_session.connected() && !DesktopDrag::localPaths(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void RemotePane::dropEvent(QDropEvent* e) {
    const QStringList paths = DesktopDrag::localPaths(e->mimeData());
    if (!m_session.connected() || paths.isEmpty())
        return;
    e->acceptProposedAction();
    emit localFilesDropped(paths);
}

QString RemotePane::fileNameAt(int row) const {
    const int index = LstX_Files->ItemData(row);
    return index >= 0 && index < Lst_Remote.count() ? Lst_Remote.text(index) : QString();
}

QListWidget* RemotePane::folderList() const {
    return Lst_Remote_Dir;
}

QString RemotePane::folderNameOf(const QListWidgetItem& item) const {
    const QString name = item.data(Qt::UserRole).toString();
    if (name == u"../" || !name.endsWith(u'/'))
        return {};
    return name.chopped(1);
}

QString RemotePane::shownFolder() const {
    return m_session.currentDirectory();
}
