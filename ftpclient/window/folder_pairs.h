#pragma once

#include "profile_hooks.h"

#include <QObject>

class LocalPane;
class Prompter;
class QMenu;
class RemotePane;
class RemoteSession;

// The folder pairs of the profile the window is logged in with, as a menu:
// keep the two folders the panes show as a pair, open a pair (both folders
// at once), remove one. Not connected, or logged in without a saved profile,
// the entries are disabled and their tips say why.
class FolderPairs : public QObject {
    Q_OBJECT

public:
    FolderPairs(LocalPane& local, RemotePane& remote, RemoteSession& session, Prompter& prompter,
                ProfileHooks profile, QMenu& menu);

    // "Keep these folders as a pair...": asks a name for the two folders
    // the panes show and keeps them with the profile.
    void keepShown();
    // Shows the pair's local folder and its folder on the server; one that
    // cannot be shown is said so, and the other opens all the same.
    void open(int index);
    // Asks, then takes the pair away from the profile.
    void remove(int index);
    // Fills the menu anew, as it is before it opens.
    void refill();

private:
    // Why the pairs cannot be used now; "" when they can.
    QString unavailableReason() const;
    void openRemote(const QString& folder);
    void keep();

    LocalPane& m_local;
    RemotePane& m_remote;
    RemoteSession& m_session;
    Prompter& m_prompter;
    ProfileHooks m_profile;
    QMenu& m_menu;
};
