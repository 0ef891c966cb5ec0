#pragma once

#include "settings_window.h"

class TARLEN_Frm;

// The main window as the settings see it: its state and geometry in twips,
// the sizes of the two pane frames and the local directory.
class WindowSettings : public SettingsWindow {
public:
    explicit WindowSettings(TARLEN_Frm& window)
        : m_window(window) {}

    short windowState() const override;
    void setWindowState(short state) override;
    double windowTop() const override;
    double windowLeft() const override;
    double windowHeight() const override;
    double windowWidth() const override;
    void setWindowTop(double twips) override;
    void setWindowLeft(double twips) override;
    void setWindowHeight(double twips) override;
    void setWindowWidth(double twips) override;
    double frameHeight(int index) const override;
    double frameWidth(int index) const override;
    void setFrameHeight(int index, double twips) override;
    void setFrameWidth(int index, double twips) override;
    QString localPath() const override;
    bool setLocalPath(const QString& path) override;
    Preferences preferences() const override;
    void setPreferences(const Preferences& prefs) override;

private:
    TARLEN_Frm& m_window;
};
