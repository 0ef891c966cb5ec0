#pragma once

#include <QString>

// Codes of iLastCommand: what the completion of the running command does.
namespace LastCommand {
enum : short {
    Listing = 0,
    Upload = 1,
    Download = 2,
    Delete = 3,
    MakeDir = 4,
    RemoveDir = 5,
    FirstAfterConnect = 6,
    Disconnect = 7,
    Rename = 12,
    Cancelled = 13,
};
}

// The command state shared by every part of the client for the whole run.
struct ClientState {
    short iLastCommand = LastCommand::Listing;
    bool bCancel = false;
    QString sCommand;
    bool bConnCancel = false;
};
