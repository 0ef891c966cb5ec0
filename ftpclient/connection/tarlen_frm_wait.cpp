// Waiting for a command and doing what its completion calls for.
#include "tarlen_frm.h"

#include "fileops/transfer_progress.h"
#include "inet.h"
#include "status_log.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

// Keeps the window alive until the transfer component is idle. Waits nest:
// a handler that runs inside this loop may wait again.
void TARLEN_Frm::WaitResp() {
    Timer1->start();
    Cmd_Cancel->show();
    bool first = true;
    do {
        setBusyPointer(true);
        // The first pass only takes what is pending (the command may be done
        // already); later passes sleep until an event arrives.
        QCoreApplication::processEvents(first ? QEventLoop::AllEvents
                                              : QEventLoop::WaitForMoreEvents);
        first = false;
    } while (!m_unloaded && m_inet1 && m_inet1->StillExecuting());
    Cmd_Cancel->hide();
    Progress->end();
    setBusyPointer(false);
    Timer1->stop();
}

int TARLEN_Frm::ReactToResponse(short code) {
    switch (code) {
    case LastCommand::Listing:
        ShowRemoteFileList();
        break;
    case LastCommand::Upload:
        Txt_Status->append(kCrLf + sCurFile + QStringLiteral(" sent"));
        break;
    case LastCommand::Download:
        Txt_Status->append(kCrLf + sCurFile + QStringLiteral(" retrieved"));
        break;
    case LastCommand::Delete:
        Txt_Status->append(kCrLf + sCurFile + QStringLiteral(" deleted"));
        break;
    case LastCommand::FirstAfterConnect:
        ShowDir();
        break;
    case LastCommand::Disconnect: {
        const bool known = profiles.iCurHost >= 0 && profiles.iCurHost < profiles.Hosts.size();
        const QString name = known ? profiles.Hosts[profiles.iCurHost].sName : QString();
        m_prompter.message(QStringLiteral("Disconnected from ") + name, ShortTitle,
                           Prompter::Icon::None);
        break;
    }
    case LastCommand::Rename:
        Txt_Status->append(kCrLf + sCurFile + QStringLiteral(" renamed"));
        break;
    case LastCommand::Cancelled:
        Txt_Status->append(kCrLf + QStringLiteral("Operation cancled"));
        break;
    default:
        break;
    }
    Txt_Status->cutToLimit();
    return 0;
}
