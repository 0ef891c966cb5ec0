#pragma once

#include "preferences.h"

#include <QString>

// What the settings read from and apply to the main window. Geometry is in
// twips; frame index 0 is the local pane, 1 the remote pane.
class SettingsWindow {
public:
    virtual ~SettingsWindow() = default;

    // 0 normal, 1 minimised, 2 maximised.
    virtual short windowState() const = 0;
    virtual void setWindowState(short state) = 0;
    virtual double windowTop() const = 0;
    virtual double windowLeft() const = 0;
    virtual double windowHeight() const = 0;
    virtual double windowWidth() const = 0;
    virtual void setWindowTop(double twips) = 0;
    virtual void setWindowLeft(double twips) = 0;
    virtual void setWindowHeight(double twips) = 0;
    virtual void setWindowWidth(double twips) = 0;

    virtual double frameHeight(int index) const = 0;
    virtual double frameWidth(int index) const = 0;
    virtual void setFrameHeight(int index, double twips) = 0;
    virtual void setFrameWidth(int index, double twips) = 0;

    // The local directory shown in the local pane. Setting it shows that
    // directory; returns false (and changes nothing) when it cannot be opened.
    virtual QString localPath() const = 0;
    virtual bool setLocalPath(const QString& path) = 0;

    // The preferences the window keeps.
    virtual Preferences preferences() const { return {}; }
    virtual void setPreferences(const Preferences&) {}
};
