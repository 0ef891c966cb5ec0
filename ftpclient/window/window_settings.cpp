#include "window_settings.h"

#include "common/twips_geometry.h"
#include "panes/local_pane.h"
#include "queue_preferences.h"

#include <QWidget>

short WindowSettings::windowState() const {
    const Qt::WindowStates s = m_parts.window->windowState();
    if (s & Qt::WindowMinimized)
        return 1;
    if (s & Qt::WindowMaximized)
        return 2;
    return 0;
}

void WindowSettings::setWindowState(short state) {
    m_parts.window->setWindowState(state == 1   ? Qt::WindowMinimized
                                   : state == 2 ? Qt::WindowMaximized
                                                : Qt::WindowNoState);
}

double WindowSettings::windowTop() const {
    return m_parts.twips->top(m_parts.window);
}
double WindowSettings::windowLeft() const {
    return m_parts.twips->left(m_parts.window);
}
double WindowSettings::windowHeight() const {
    return m_parts.twips->height(m_parts.window);
}
double WindowSettings::windowWidth() const {
    return m_parts.twips->width(m_parts.window);
}
void WindowSettings::setWindowTop(double twips) {
    m_parts.twips->setTop(m_parts.window, twips);
}
void WindowSettings::setWindowLeft(double twips) {
    m_parts.twips->setLeft(m_parts.window, twips);
}
void WindowSettings::setWindowHeight(double twips) {
    m_parts.twips->setHeight(m_parts.window, twips);
}
void WindowSettings::setWindowWidth(double twips) {
    m_parts.twips->setWidth(m_parts.window, twips);
}

double WindowSettings::frameHeight(int index) const {
    return m_parts.twips->height(m_parts.frames[size_t(index)]);
}
double WindowSettings::frameWidth(int index) const {
    return m_parts.twips->width(m_parts.frames[size_t(index)]);
}
void WindowSettings::setFrameHeight(int index, double twips) {
    m_parts.twips->setHeight(m_parts.frames[size_t(index)], twips);
}
void WindowSettings::setFrameWidth(int index, double twips) {
    m_parts.twips->setWidth(m_parts.frames[size_t(index)], twips);
}

QString WindowSettings::localPath() const {
    return m_parts.localPane->localPath();
}

bool WindowSettings::setLocalPath(const QString& path) {
    return m_parts.localPane->setLocalPath(path);
}

Preferences WindowSettings::preferences() const {
    return m_parts.preferences->current();
}

void WindowSettings::setPreferences(const Preferences& prefs) {
    m_parts.preferences->set(prefs);
}
