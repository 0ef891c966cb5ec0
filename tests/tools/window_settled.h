#pragma once

#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "window/tarlen_frm.h"

#include <QTimer>

#include <functional>

// Runs `work` once the window's session has nothing running or waiting (a
// click on Connect returns at once, and the login goes on in the event
// loop) and a long listing has reached its pane's lists, which is a moment
// after the session read it or the local folder was opened.
inline void whenIdle(const TARLEN_Frm& window, const std::function<void()>& work) {
    if (!window.session().runner().busy() && !window.parts().remotePane->listingPending() &&
        !window.parts().localPane->listingPending()) {
        work();
        return;
    }
    QTimer::singleShot(10, [&window, work] { whenIdle(window, work); });
}
