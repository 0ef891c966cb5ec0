#pragma once

#include <QObject>
#include <QString>

class FilePane;

// Synchronised browsing: while it is on, entering a folder in one pane
// enters the folder of that name in the other, when it has one, and going
// up in one goes up in the other. A move to anywhere else leaves the other
// pane where it is; from then on the two folders shown are the pair.
class BrowseTogether : public QObject {
    Q_OBJECT

public:
    BrowseTogether(FilePane& local, FilePane& remote);

    void setOn(bool on);
    bool isOn() const { return m_on; }

private:
    struct Side {
        FilePane& pane;
        QString shown;    // the folder of the pair on this side
        QString expected; // where a move made here for the other side leads
    };
    void moved(Side& side, Side& other);

    Side m_local;
    Side m_remote;
    bool m_on = false;
};
