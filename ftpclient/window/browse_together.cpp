#include "browse_together.h"

#include "panes/file_pane.h"

namespace {

// A folder without the "/" at its end (but "/" itself).
QString plain(QString folder) {
    if (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

QString joined(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString parentOf(const QString& folder) {
    const qsizetype slash = folder.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : folder.left(slash);
}

// The name of the folder `now` in `was`, when it is one; "" otherwise.
QString enteredName(const QString& was, const QString& now) {
    if (now.size() <= was.size() || parentOf(now) != was)
        return {};
    return now.mid(was == u"/" ? 1 : was.size() + 1);
}

} // namespace

BrowseTogether::BrowseTogether(FilePane& local, FilePane& remote)
    : m_local{local, {}, {}}
    , m_remote{remote, {}, {}} {
    connect(&local, &FilePane::listFilled, this, [this] { moved(m_local, m_remote); });
    connect(&remote, &FilePane::listFilled, this, [this] { moved(m_remote, m_local); });
}

void BrowseTogether::setOn(bool on) {
    m_on = on;
    for (Side* side : {&m_local, &m_remote}) {
        side->shown = plain(side->pane.shownFolder());
        side->expected.clear();
    }
}

void BrowseTogether::moved(Side& side, Side& other) {
    const QString now = plain(side.pane.shownFolder());
    if (!m_on || now == side.shown)
        return;
    const QString was = std::exchange(side.shown, now);
    if (now == std::exchange(side.expected, QString()))
        return; // where the other pane's move led it
    const QString name = enteredName(was, now);
    if (!name.isEmpty() && other.pane.showsFolder(name)) {
        other.expected = joined(other.shown, name);
        other.pane.openFolder(other.expected);
    } else if (now == parentOf(was) && other.shown != u"/") {
        other.expected = parentOf(other.shown);
        other.pane.goUp();
    }
}
