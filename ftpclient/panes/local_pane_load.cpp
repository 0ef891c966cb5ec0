// Loading the local list and its work lists, and sorting it.
#include "local_pane.h"

#include "common/client_errors.h"
#include "extension_rule.h"
#include "file_images.h"
#include "local_formats.h"
#include "local_fs.h"
#include "local_lists.h"
#include "raw_names.h"

#include <vantel/vantelctrl.h>

#include <QPushButton>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <vector>

namespace {

std::exception_ptr readFailure(const QString& what, const QString& path, int error) {
    const QString text =
        QStringLiteral("Cannot read the %1 of %2: %3")
            .arg(what, RawName::shownWithMarks(path), QString::fromLocal8Bit(std::strerror(error)));
    return std::make_exception_ptr(std::runtime_error(text.toLocal8Bit().toStdString()));
}

} // namespace

void LocalPane::Load_Files() {
    try {
        Lst_Dates.clear();
        Lst_Size.clear();
        Lst_hold.clear();
        CVantelCtrl* list = LstX_Files;
        list->Clear();
        list->SetImageOffset(4);
        list->SetTextOffset(24);

        // The names as they are now: a message about one of them lets the
        // window handle events, and File1 may be read again meanwhile.
        const QStringList names = File1->names();
        const int count = int(names.size());
        const QString dir = File1->directory();
        LocalEntryTexts texts;
        NameShortener shortener(list->Font(), iNameColWidth - 30);

        // The sorted lists are filled at once at the end, which gives the
        // order that adding line by line would.
        std::vector<WorkList::Line> dates;
        std::vector<WorkList::Line> sizes;
        dates.reserve(size_t(count));
        sizes.reserve(size_t(count));
        Lst_hold.reserve(count);

        for (int i = 0; i < count; ++i) {
            const QString& name = names[i];
            const QString path = dir + name;
            struct stat info {};
            const bool readable = ::stat(LocalFs::bytes(path).constData(), &info) == 0;
            const int error = errno;

            QString date;
            if (readable)
                date = texts.date(info.st_mtime);
            else
                ::reportError(m_prompter, QStringLiteral("The following error occurred: "),
                              readFailure(QStringLiteral("modification time"), path, error));
            dates.push_back({date, i});

            // A length that cannot be read shows no size and sorts as 0, so
            // that every list keeps one line per file.
            QString size;
            qint64 length = 0;
            if (readable) {
                length = info.st_size;
                size = texts.size(length);
            } else {
                ::reportError(m_prompter, QStringLiteral("The following error occurred: "),
                              readFailure(QStringLiteral("length"), path, error));
            }
            sizes.push_back({LocalEntryTexts::sizeKey(length), i});

            const QString text =
                shortener.shorten(RawName::shownWithMarks(name)) + u'\t' + date + u'\t' + size;
            const int p = list->AddItem(text, -1);
            list->SetItemData(p, i);
            Lst_hold.add(text);

            const FileKind kind = extensionKind(path, Pane::Local);
            list->SetItemImage(p, m_images.Img_Icons[size_t(kind.icon)]);
            if (kind.color >= 0)
                list->SetItemForeColor(p, kind.color);
        }
        Lst_Dates.assign(std::move(dates));
        Lst_Size.assign(std::move(sizes));
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "));
    }
}

void LocalPane::sort_files(short& key) {
    bool descending = false;
    switch (key) {
    case 0:
        descending = bLocalNameDesc;
        break;
    case 1:
        descending = bLocalDateDesc;
        break;
    case 2:
        descending = bLocalSizeDesc;
        break;
    default:
        return;
    }
    // Lists left behind by a File1 read without a reload are rebuilt first;
    // lists that still do not agree (a reload that failed half way) are left
    // in the order they have.
    CVantelCtrl* list = LstX_Files;
    const auto whole = [&] {
        const int files = File1->ListCount();
        return Lst_hold.count() == files && Lst_Dates.count() == files &&
               Lst_Size.count() == files && list->ListCount() == files;
    };
    if (!whole())
        Load_Files();
    if (!whole())
        return;

    const int n = File1->ListCount() - 1;
    const QString dir = File1->directory();
    for (int j = 0; j <= n; ++j) {
        const int k = key == 0 ? j : key == 1 ? Lst_Dates.data(j) : Lst_Size.data(j);
        const int p = descending ? n - j : j;
        list->SetList(p, Lst_hold.text(k));
        list->SetItemData(p, k);
        const FileKind kind = extensionKind(dir + File1->List(k), Pane::Local);
        list->SetItemImage(p, m_images.Img_Icons[size_t(kind.icon)]);
        list->SetItemForeColor(p, kind.color);
    }
    for (int b = 0; b < 3; ++b)
        Cmd_Files[size_t(b)]->setIcon(b == key ? m_images.Img_Arrow[descending ? 0 : 1]
                                               : QPixmap());
}

QString LocalPane::shortenName(const QString& name) const {
    return NameShortener(LstX_Files->Font(), iNameColWidth - 30).shorten(name);
}
