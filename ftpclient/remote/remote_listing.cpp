// Reading a listing reply into the remote directory list and the remote
// file names.
#include "connection/event_pacer.h"
#include "connection/tarlen_frm.h"
#include "listing_split.h"

#include <QListWidget>

#include <algorithm>

namespace {

// Runs one step of the reading; when the transfer component is still busy
// it waits for it and tries the step again. Any other failure is reported
// and the caller goes on with its next step.
template <typename Step>
void trappedStep(TARLEN_Frm& frm, Step step,
                 const std::function<void(std::exception_ptr)>& report) {
    for (;;) {
        try {
            step();
            return;
        } catch (const InetError& e) {
            if (e.number() != InetErrorNumber::StillExecuting) {
                report(std::current_exception());
                return;
            }
            frm.WaitResp();
        } catch (...) {
            report(std::current_exception());
            return;
        }
    }
}

} // namespace

int TARLEN_Frm::ShowRemoteFileList() {
    auto report = [this](std::exception_ptr e) {
        reportError(QStringLiteral("The following error occurred: "), e);
    };
    QString data;
    trappedStep(
        *this,
        [&] {
            EventPacer pacer;
            for (QString part = m_inet1 ? m_inet1->GetChunk(1024) : QString(); !part.isEmpty();
                 part = m_inet1 ? m_inet1->GetChunk(1024) : QString()) {
                pacer.pace();
                setBusyPointer(true);
                data += part;
            }
            setBusyPointer(false);
        },
        report);

    // From here until the remote list is whole no event is handled, so that
    // no click ever acts on lists half rebuilt.
    QStringList dirs;
    QStringList files;
    trappedStep(
        *this,
        [&] {
            Lst_Remote_Dir->clear();
            Lst_Remote.clear();
            splitRemoteListing(data, dirs, files);
            data.clear();
            std::vector<WorkList::Line> lines;
            lines.reserve(size_t(files.size()));
            for (QString& name : files)
                lines.push_back({std::move(name), 0});
            Lst_Remote.assign(std::move(lines));
            if (dirs.isEmpty())
                dirs.append(QStringLiteral("../"));
            if (dirs.first() != u"../")
                dirs.prepend(QStringLiteral("../"));
            for (const QString& dir : dirs) {
                auto* item = new QListWidgetItem(shownRemote(dir), Lst_Remote_Dir);
                item->setData(Qt::UserRole, dir);
            }
        },
        report);

    trappedStep(
        *this, [&] { Load_FilesR(); }, report);
    return 0;
}
