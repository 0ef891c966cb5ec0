#pragma once

#include "file_pane.h"

#include <QString>

class LocalPane;
class Prompter;

// Deleting and renaming the selected local files, and making and removing
// local directories: the local pane's file operations. Each ends by showing
// the directory as it is now.
class LocalFileOps : public FileOperations {
public:
    LocalFileOps(LocalPane& pane, Prompter& prompter);

    void Cmd_Delete_Click() override;
    void Cmd_Rename_Click() override;
    void Cmd_Dir_Click() override;
    void Cmd_Rem_Click() override;

private:
    void reportError(const QString& prefix);

    LocalPane& m_pane;
    Prompter& m_prompter;
};
