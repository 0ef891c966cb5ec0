#pragma once

#include "connection_security.h"
#include "ftp_address.h"
#include "ftp_command.h"
#include "ftp_entry.h"
#include "peer_identity.h"
#include "transfer_facts.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// One command for the worker thread, with the connection it is meant for.
struct FtpJob {
    quint64 id = 0;
    FtpCommand command;
    FtpAddress address;
    QString userName;
    QString password;
    SecurityOptions security;
    int timeoutSeconds = 30;
    // The states on the way (ResolvingHost to ResponseReceived) are
    // reported, not only the end.
    bool stepStates = true;
};

// What the worker thread reports back about a job.
struct FtpEvent {
    enum class Type { State, Progress, Secured, Finished };

    Type type = Type::State;
    quint64 job = 0;
    short state = 0;                  // State
    qint64 done = 0;                  // Progress: bytes moved so far
    qint64 total = 0;                 // Progress: bytes in all, 0 when unknown
    bool ok = false;                  // Finished
    int responseCode = 0;             // Finished, failed
    QString responseInfo;             // Finished, failed
    QString reply;                    // Finished, succeeded: the text GetChunk hands out
    SharedListing listing;            // Finished, succeeded listing: its entries
    ConnectionSecurity security;      // Secured: how the new connection is protected
    std::optional<PeerIdentity> peer; // Finished, failed: a server identity not trusted
    FtpTransferFacts facts;           // Finished: what a Get, Put or Stat learnt and moved

    static FtpEvent make(Type type, quint64 job) {
        FtpEvent ev;
        ev.type = type;
        ev.job = job;
        return ev;
    }
};
