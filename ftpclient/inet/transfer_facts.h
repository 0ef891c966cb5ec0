#pragma once

#include <QtGlobal>

// What a Get, Put or Stat learnt of the remote file and what it moved.
struct FtpTransferFacts {
    qint64 resumedFrom = 0; // bytes kept from before (Get) or already there (Put)
    qint64 transferred = 0; // bytes moved by this command
    qint64 remoteSize = -1; // -1: not known
    qint64 remoteTime = -1; // seconds since 1970 UTC; -1: not known
};
