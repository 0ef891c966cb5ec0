#pragma once

#include <QtGlobal>

// What a Get, Put or Stat learnt of the remote file and what it moved.
struct FtpTransferFacts {
    qint64 resumedFrom = 0; // bytes kept from before (Get) or already there (Put)
    qint64 transferred = 0; // bytes moved by this command
    qint64 remoteSize = -1; // -1: not known
    qint64 remoteTime = -1; // seconds since 1970 UTC; -1: not known
    // Get into a part file: the file as the command left it (its size and
    // last change), for the next attempt to know it by; -1: not touched.
    qint64 partSize = -1;
    qint64 partModifiedNs = -1;
};
