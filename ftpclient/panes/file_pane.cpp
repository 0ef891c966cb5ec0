#include "file_pane.h"

#include <QSet>

#include "common/client_errors.h"
#include "common/text_room.h"
#include "common/twips_geometry.h"
#include "file_images.h"

#include <vantel/vantelctrl.h>

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// The row under the list, in twips: where its buttons begin, their design
// width and the room between them; the list's margin inside the frame, and
// the least room between the row's end and the frame's edge.
constexpr double kRowButtonsLeft = 795;
constexpr double kRowButtonWidth = 705;
constexpr double kRowButtonGap = 30;
constexpr double kListMargin = 135;
constexpr double kRowEndMargin = 60;

QPushButton* button(QWidget* parent, const QString& caption, const QString& tip = {}) {
    auto* b = new QPushButton(caption, parent);
    b->setToolTip(tip);
    return b;
}

} // namespace

FilePane::FilePane(int pane, const FileImages& images, Prompter& prompter, TwipsGeometry& twips,
                   QWidget* parent)
    : PaneFrame(pane == 0 ? QStringLiteral("Local System") : QStringLiteral("Remote System"),
                twips.twipsPerPixel(), parent)
    , m_images(images)
    , m_prompter(prompter)
    , m_twips(twips)
    , m_pane(pane) {
    m_twips.place(this, pane == 0 ? 120 : 5400, 120, 4575, 5055);
    createControls();
    connectControls();
    addShortcuts();
}

QList<QWidget*> FilePane::tabOrder() const {
    return {Cmd_Files[0], Cmd_Files[1], Cmd_Files[2], LstX_Files, Txt_Pattern,
            Cmd_Refresh,  Cmd_Rename,   Cmd_Delete,   Cmd_Dir,    Cmd_Rem};
}

void FilePane::addShortcuts() {
    const auto add = [this](const QKeySequence& keys, auto handler) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, handler] {
            try {
                handler();
            } catch (...) {
                reportError(QStringLiteral("The following error occurred: "));
            }
        });
    };
    add(QKeySequence(Qt::Key_F5), [this] { refreshKeepingView(); });
    add(QKeySequence(Qt::Key_F2), [this] { Cmd_Rename_Click(); });
    add(QKeySequence(Qt::Key_Backspace), [this] { goUp(); });
}

void FilePane::createControls() {
    // The list gets its settings the way a designed form gives them: in
    // design mode, before the window runs.
    LstX_Files = new CVantelCtrl(this);
    CVantelCtrl* list = LstX_Files;
    list->setAmbientUserMode(false);
    list->SetMultiSelect(2);
    list->SetSorted(false);
    list->SetItemDefHeight(17);
    list->SetSelectStyle(1);
    list->SetVerticalTextAlign(1);
    list->SetVerticalImageAlign(1);
    list->SetIntegralHeight(m_pane == 0);
    list->SetHScroll(false);
    list->SetColumns(0);
    list->SetNumTabs(0);
    list->SetImageOffset(0);
    list->SetTextOffset(0);
    list->setAmbientUserMode(true);
    list->setToolTip(m_pane == 0 ? QStringLiteral("Local files (right-click to drag)")
                                 : QStringLiteral("Remote files (right-click to drag)"));

    Txt_Pattern = new QLineEdit(m_pane == 0 ? QStringLiteral("*.*") : QStringLiteral("*"), this);
    Txt_Pattern->setToolTip(QStringLiteral("List files of type"));
    Cmd_Refresh = button(this, QStringLiteral("Refresh"), QStringLiteral("Reload files"));
    Cmd_Rename =
        button(this, QStringLiteral("Rename"), QStringLiteral("Rename the selected files"));
    Cmd_Delete = button(this, QStringLiteral("Delete"), QStringLiteral("Delete selected files"));
    Cmd_Dir =
        button(this, QStringLiteral("Mk Dir"),
               m_pane == 0 ? QStringLiteral("Make a new directory on local system") : QString());
    Cmd_Rem = button(this, QStringLiteral("Rem Dir"),
                     QStringLiteral("Remove the current directory and all its contents"));
    const double row = 5055 - 495;
    m_twips.place(Txt_Pattern, kListMargin, row, 615, 315);
    double left = kRowButtonsLeft;
    for (QPushButton* b : {Cmd_Refresh, Cmd_Rename, Cmd_Delete, Cmd_Dir, Cmd_Rem}) {
        m_twips.place(b, left, row, kRowButtonWidth, 315);
        left += kRowButtonWidth + kRowButtonGap;
    }
    m_twips.place(list, kListMargin, 2355, 4305, 5055 - 545 - 2355);

    Cmd_Files[0] = button(this, QStringLiteral("Name"), QStringLiteral("Sort by name"));
    Cmd_Files[1] = button(this, QStringLiteral("Date"), QStringLiteral("Sort by date"));
    Cmd_Files[2] = button(this, QStringLiteral("Size"), QStringLiteral("Sort by size"));
    Cmd_Files[0]->setIcon(m_images.Img_Arrow[1]);
}

double FilePane::fitButtonRow() {
    double left = kRowButtonsLeft;
    for (QPushButton* b : {Cmd_Refresh, Cmd_Rename, Cmd_Delete, Cmd_Dir, Cmd_Rem}) {
        const double width =
            std::max(kRowButtonWidth, double(textWidthNeeded(b) * m_twips.twipsPerPixel()));
        m_twips.setLeft(b, left);
        m_twips.setWidth(b, width);
        left += width + kRowButtonGap;
    }
    return left - kRowButtonGap + kRowEndMargin;
}

void FilePane::connectControls() {
    connect(Cmd_Refresh, &QPushButton::clicked, this, [this] { Cmd_Refresh_Click(); });
    connect(Cmd_Delete, &QPushButton::clicked, this, [this] { Cmd_Delete_Click(); });
    connect(Cmd_Rename, &QPushButton::clicked, this, [this] { Cmd_Rename_Click(); });
    connect(Cmd_Dir, &QPushButton::clicked, this, [this] { Cmd_Dir_Click(); });
    connect(Cmd_Rem, &QPushButton::clicked, this, [this] { Cmd_Rem_Click(); });
    const int first = m_pane == 0 ? 0 : 3;
    for (int k = 0; k < 3; ++k)
        connect(Cmd_Files[size_t(k)], &QPushButton::clicked, this,
                [this, first, k] { Cmd_Files_Click(first + k); });
    connect(LstX_Files, &CVantelCtrl::KeyDown, this,
            [this](short& code, short shift) { LstX_Files_KeyDown(code, shift); });
    Txt_Pattern->installEventFilter(this);
}

bool FilePane::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Txt_Pattern) {
        if (e->type() == QEvent::FocusIn) {
            // After the line edit's own handling, which may place the cursor.
            QTimer::singleShot(0, this, [this] { Txt_Pattern_GotFocus(); });
        } else if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                short ascii = 13;
                Txt_Pattern_KeyPress(ascii);
                if (ascii == 0)
                    return true;
            }
        }
    }
    return PaneFrame::eventFilter(watched, e);
}

void FilePane::Txt_Pattern_GotFocus() {
    Txt_Pattern->selectAll();
}

void FilePane::Txt_Pattern_KeyPress(short& KeyAscii) {
    if (KeyAscii != 13)
        return;
    KeyAscii = 0;
    try {
        listWithPattern();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "));
    }
}

void FilePane::LstX_Files_KeyDown(short& KeyCode, short) {
    if (KeyCode == 46)
        Cmd_Delete_Click();
}

void FilePane::setOperations(std::unique_ptr<FileOperations> operations) {
    m_operations = std::move(operations);
}

void FilePane::reportError(const QString& prefix) {
    ::reportError(m_prompter, prefix, std::current_exception());
}

void FilePane::keepView() {
    m_keptSelection.clear();
    for (int i = 0; i < LstX_Files->ListCount(); ++i)
        if (LstX_Files->Selected(i))
            m_keptSelection << LstX_Files->List(i);
    m_keptTop = LstX_Files->TopIndex();
    m_viewKept = true;
}

void FilePane::restoreView() {
    if (!std::exchange(m_viewKept, false))
        return;
    const QSet<QString> selected(m_keptSelection.cbegin(), m_keptSelection.cend());
    for (int i = 0; i < LstX_Files->ListCount(); ++i)
        if (selected.contains(LstX_Files->List(i)))
            LstX_Files->SetSelected(i, true);
    if (m_keptTop > 0 && m_keptTop < LstX_Files->ListCount())
        LstX_Files->SetTopIndex(m_keptTop);
}

void FilePane::setMarks(const EntryMarks& marks) {
    const bool hadMarks = !m_marks.empty();
    m_marks = marks;
    if (hadMarks)
        refillFiles(); // the rows' own pictures and colours back
    applyMarks();
}

void FilePane::setHidingSame(bool hide) {
    if (std::exchange(m_hidingSame, hide) == hide)
        return;
    if (m_marks.empty())
        return;
    if (!hide && m_hiddenFileRows > 0)
        refillFiles();
    applyMarks();
}

void FilePane::setFileRows(const std::vector<CVantelCtrl::Entry>& rows,
                           const std::vector<QPixmap>& pictures) {
    if (LstX_Files->ListCount() == int(rows.size()) && !rows.empty()) {
        LstX_Files->SetItems(rows, pictures);
    } else {
        LstX_Files->Clear();
        LstX_Files->AddItems(rows, pictures);
    }
    m_hiddenFileRows = 0;
}

void FilePane::setFileBatch(CVantelCtrl::Batch&& batch, const std::vector<QPixmap>& pictures) {
    LstX_Files->SetBatch(std::move(batch), pictures);
    m_hiddenFileRows = 0;
}

// Marks of another folder wait until it is shown again.
void FilePane::applyMarks() {
    const bool ours = m_marks.folder == shownFolder();
    markFolders(ours);
    if (ours && m_hidingSame)
        hideSameFiles();
    if (ours)
        markFiles();
    emit listFilled();
}

// The rows left are written back in one step, with their pictures, colours
// and selection.
void FilePane::hideSameFiles() {
    std::vector<CVantelCtrl::Entry> kept;
    std::vector<QPixmap> pictures;
    QHash<qint64, int> pictureAt; // by the picture's cache key
    std::vector<int> selected;
    const int count = LstX_Files->ListCount();
    for (int row = 0; row < count; ++row) {
        const auto mark = m_marks.files.constFind(fileNameAt(row));
        if (mark != m_marks.files.cend() && mark->same)
            continue;
        CVantelCtrl::Entry entry{LstX_Files->List(row), LstX_Files->ItemData(row), -1,
                                 LstX_Files->ItemForeColor(row)};
        const QPixmap picture = LstX_Files->ItemImage(row);
        if (!picture.isNull()) {
            auto at = pictureAt.constFind(picture.cacheKey());
            if (at == pictureAt.cend()) {
                at = pictureAt.insert(picture.cacheKey(), int(pictures.size()));
                pictures.push_back(picture);
            }
            entry.picture = *at;
        }
        if (LstX_Files->Selected(row))
            selected.push_back(int(kept.size()));
        kept.push_back(std::move(entry));
    }
    const int hidden = count - int(kept.size());
    if (hidden == 0)
        return;
    const int top = LstX_Files->TopIndex();
    setFileRows(kept, pictures);
    m_hiddenFileRows += hidden;
    for (const int row : selected)
        LstX_Files->SetSelected(row, true);
    if (top > 0 && top < LstX_Files->ListCount())
        LstX_Files->SetTopIndex(top);
}

void FilePane::markFiles() {
    if (m_marks.files.isEmpty())
        return;
    for (int row = 0; row < LstX_Files->ListCount(); ++row) {
        const auto mark = m_marks.files.constFind(fileNameAt(row));
        if (mark == m_marks.files.cend())
            continue;
        LstX_Files->SetItemImage(row, markPicture(*mark));
        LstX_Files->SetItemBackColor(
            row, qint32(mark->tint.red() | mark->tint.green() << 8 | mark->tint.blue() << 16));
    }
}

// A folder's own picture and tooltip are kept beside it while it is marked.
void FilePane::markFolders(bool ours) {
    // Every listing passes here: without marks to put on or take off, nothing to do.
    const bool marking = ours && !m_marks.folders.isEmpty();
    const bool wasMarked = std::exchange(m_foldersMarked, marking);
    if (!marking && !wasMarked)
        return;
    QListWidget* list = folderList();
    constexpr int OwnIcon = Qt::UserRole + 1;
    constexpr int OwnTip = Qt::UserRole + 2;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        const auto mark = m_marks.folders.constFind(ours ? folderNameOf(*item) : QString());
        const bool marked = ours && mark != m_marks.folders.cend();
        item->setHidden(marked && m_hidingSame && mark->same);
        if (marked && !item->data(OwnIcon).isValid()) {
            item->setData(OwnIcon, item->icon());
            item->setData(OwnTip, item->toolTip());
        }
        if (marked) {
            item->setIcon(markPicture(*mark));
            item->setBackground(mark->tint);
            item->setToolTip(mark->meaning);
        } else if (item->data(OwnIcon).isValid()) {
            item->setIcon(item->data(OwnIcon).value<QIcon>());
            item->setToolTip(item->data(OwnTip).toString());
            item->setBackground(QBrush());
            item->setData(OwnIcon, QVariant());
        }
    }
}

bool FilePane::showsFolder(const QString& name) const {
    const QListWidget* list = folderList();
    for (int row = 0; row < list->count(); ++row)
        if (folderNameOf(*list->item(row)) == name)
            return true;
    return false;
}
