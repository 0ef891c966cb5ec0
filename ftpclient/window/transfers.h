#pragma once

class LocalPane;
class Prompter;
class RemotePane;
class RemoteSession;
class TransferProgressPanel;

// Moving the selected files between the panes, one command per file, each
// waited for before the next.
class PaneTransfers {
public:
    PaneTransfers(LocalPane& local, RemotePane& remote, RemoteSession& session, Prompter& prompter,
                  TransferProgressPanel& progress)
        : m_local(local)
        , m_remote(remote)
        , m_session(session)
        , m_prompter(prompter)
        , m_progress(progress) {}

    // The selected remote files into the local directory; the local list is
    // read again afterwards.
    void Cmd_Dn_Click();
    // The selected local files into the remote directory, which is listed
    // again afterwards.
    void Cmd_Up_Click();

private:
    LocalPane& m_local;
    RemotePane& m_remote;
    RemoteSession& m_session;
    Prompter& m_prompter;
    TransferProgressPanel& m_progress;
};
