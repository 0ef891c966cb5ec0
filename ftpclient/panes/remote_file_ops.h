#pragma once

#include "file_pane.h"

#include <QString>

class JobChain;
class Prompter;
class RemotePane;
class RemoteSession;

// Deleting and renaming the selected remote files, and making and removing
// remote directories: the remote pane's file operations. Each is a chain of
// the session's jobs (Cancel stops the rest of it) that ends by listing the
// directory again.
class RemoteFileOps : public FileOperations {
public:
    RemoteFileOps(RemotePane& pane, RemoteSession& session, Prompter& prompter);

    void Cmd_Delete_Click() override;
    void Cmd_Rename_Click() override;
    void Cmd_Dir_Click() override;
    void Cmd_Rem_Click() override;

private:
    // Deletes the listed files of `dir` (the selected ones only, or all) one
    // by one, as steps of `chain`.
    void deleteFiles(JobChain& chain, const QString& dir, bool selectedOnly);
    void reportError(const QString& prefix);

    RemotePane& m_pane;
    RemoteSession& m_session;
    Prompter& m_prompter;
};
