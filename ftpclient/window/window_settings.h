#pragma once

#include "settings_window.h"

#include <array>

class FilePane;
class LocalPane;
class QueuePreferences;
class QWidget;
class TwipsGeometry;

// The main window as the settings see it: its state and geometry in twips,
// the sizes of the two pane frames, the local directory and the queue's
// preferences.
class WindowSettings : public SettingsWindow {
public:
    struct Parts {
        QWidget* window = nullptr;
        TwipsGeometry* twips = nullptr;
        // 0 the local pane's frame, 1 the remote one's.
        std::array<FilePane*, 2> frames{};
        LocalPane* localPane = nullptr;
        QueuePreferences* preferences = nullptr;
    };

    explicit WindowSettings(const Parts& parts)
        : m_parts(parts) {}

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
    Parts m_parts;
};
