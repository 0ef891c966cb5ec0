#pragma once

#include "ftp_entry.h"
#include "transfer_item.h"

#include <QByteArray>
#include <QString>

// How deep a folder transfer goes at most, counted from the folder queued.
constexpr int MostFolderDepth = 100;

// What tells a remote folder apart without a way to ask the server which
// folder it is: its listing (names, kinds, sizes and times). A folder that
// lists exactly as one above it is the same folder reached again.
QByteArray listingIdentity(const RemoteListing& listing);

// Why the folder item, found to be `identity`, is not walked into: it is one
// of the folders it lies in, or lies too deep. Empty when it may be walked.
QString folderLoopProblem(const TransferItem& folder, const QByteArray& identity);
