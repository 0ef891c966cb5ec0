// Start-up and shutdown of the main window.
#include "tarlen_frm.h"

#include "inet.h"

#include <vantel/vantelctrl.h>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

void TARLEN_Frm::Form_Load() {
    try {
        createInet();
        sKey = QStringLiteral("mavrq5216");
        loadSettings();

        // Centre on the screen, whatever position the settings held.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            const double tpp = m_twips.twipsPerPixel();
            setWindowLeft((area.width() * tpp - windowWidth()) / 2 + area.x() * tpp);
            setWindowTop((area.height() * tpp - windowHeight()) / 2 + area.y() * tpp);
        }
        LstX_Files[0]->SetNumTabs(3);
        Resize_Frm();
        bLocalSizeDesc = false;
        bLocalDateDesc = false;
        bLocalNameDesc = false;
        bRemoteNameDesc = false;
        iSortKey = 0;
        Load_Files();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "), std::current_exception());
    }
}

void TARLEN_Frm::closeEvent(QCloseEvent* e) {
    if (!m_unloaded)
        Form_Unload();
    e->accept();
}

// Abandons a running command (nothing is sent to the server, not even
// QUIT), then writes the settings.
void TARLEN_Frm::Form_Unload() {
    m_unloaded = true;
    if (m_inet1) {
        if (m_inet1->StillExecuting())
            m_inet1->Cancel();
        // The window may be closing from inside one of the component's own
        // events: let it go once control is back in the event loop.
        m_inet1->disconnect(this);
        m_inet1->deleteLater();
    }
    Timer1->stop();
    setBusyPointer(false);
    saveSettings();
}
