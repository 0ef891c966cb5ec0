#pragma once

#include <QStringList>

class LocalPane;
class Prompter;
class RemotePane;
class TransferQueue;

// Puts what is selected in one pane into the transfer queue, to go to the
// other: the selected files and, when one is selected, a directory with
// everything in it. The window goes on at once; the queue moves them.
class PaneTransfers {
public:
    PaneTransfers(LocalPane& local, RemotePane& remote, Prompter& prompter, TransferQueue& queue)
        : m_local(local)
        , m_remote(remote)
        , m_prompter(prompter)
        , m_queue(queue) {}

    // The selected remote files (and directory) into the local directory.
    void Cmd_Dn_Click();
    // The selected local files (and directory) into the remote directory.
    void Cmd_Up_Click();
    // Local files and folders dropped on the remote pane from another
    // program, into the remote directory.
    void uploadDropped(const QStringList& paths);

private:
    void queueDownloads();
    void queueUploads();

    LocalPane& m_local;
    RemotePane& m_remote;
    Prompter& m_prompter;
    TransferQueue& m_queue;
};
