#include "window_settings.h"

#include "panes/local_pane.h"
#include "queue_panel.h"
#include "tarlen_frm.h"
#include "transfer_queue.h"

#include <QComboBox>
#include <QSpinBox>

short WindowSettings::windowState() const {
    const Qt::WindowStates s = m_window.windowState();
    if (s & Qt::WindowMinimized)
        return 1;
    if (s & Qt::WindowMaximized)
        return 2;
    return 0;
}

void WindowSettings::setWindowState(short state) {
    m_window.setWindowState(state == 1   ? Qt::WindowMinimized
                            : state == 2 ? Qt::WindowMaximized
                                         : Qt::WindowNoState);
}

double WindowSettings::windowTop() const {
    return m_window.twips().top(&m_window);
}
double WindowSettings::windowLeft() const {
    return m_window.twips().left(&m_window);
}
double WindowSettings::windowHeight() const {
    return m_window.twips().height(&m_window);
}
double WindowSettings::windowWidth() const {
    return m_window.twips().width(&m_window);
}
void WindowSettings::setWindowTop(double twips) {
    m_window.twips().setTop(&m_window, twips);
}
void WindowSettings::setWindowLeft(double twips) {
    m_window.twips().setLeft(&m_window, twips);
}
void WindowSettings::setWindowHeight(double twips) {
    m_window.twips().setHeight(&m_window, twips);
}
void WindowSettings::setWindowWidth(double twips) {
    m_window.twips().setWidth(&m_window, twips);
}

double WindowSettings::frameHeight(int index) const {
    return m_window.twips().height(m_window.Frm_Local[size_t(index)]);
}
double WindowSettings::frameWidth(int index) const {
    return m_window.twips().width(m_window.Frm_Local[size_t(index)]);
}
void WindowSettings::setFrameHeight(int index, double twips) {
    m_window.twips().setHeight(m_window.Frm_Local[size_t(index)], twips);
}
void WindowSettings::setFrameWidth(int index, double twips) {
    m_window.twips().setWidth(m_window.Frm_Local[size_t(index)], twips);
}

QString WindowSettings::localPath() const {
    return m_window.localPane->localPath();
}

bool WindowSettings::setLocalPath(const QString& path) {
    return m_window.localPane->setLocalPath(path);
}

Preferences WindowSettings::preferences() const {
    Preferences prefs;
    prefs.parallelTransfers = short(m_window.queue().parallel());
    prefs.existingFiles = short(m_window.queue().existingTargetRule());
    return prefs;
}

void WindowSettings::setPreferences(const Preferences& prefs) {
    m_window.Queue->Spn_Parallel->setValue(prefs.parallelTransfers);
    m_window.Queue->Cmb_Existing->setCurrentIndex(prefs.existingFiles);
}
