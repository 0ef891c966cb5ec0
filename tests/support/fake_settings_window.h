#pragma once

#include "settings_window.h"

#include <QDir>
#include <QStringList>

// A main window stand-in that records which setters the settings call. It
// starts at "design" values and shows any directory that exists.
class FakeSettingsWindow : public SettingsWindow {
public:
    static constexpr double DesignHeight = 6000;
    static constexpr double DesignWidth = 10560;

    short state = 0;
    double top = 1000, left = 2000, height = DesignHeight, width = DesignWidth;
    double frameHeights[2] = {4575, 4575};
    double frameWidths[2] = {5055, 5055};
    QString path = QStringLiteral("/");
    Preferences prefs;
    QStringList calls;

    Preferences preferences() const override { return prefs; }
    void setPreferences(const Preferences& p) override { prefs = p; }

    short windowState() const override { return state; }
    double windowTop() const override { return top; }
    double windowLeft() const override { return left; }
    double windowHeight() const override { return height; }
    double windowWidth() const override { return width; }
    double frameHeight(int i) const override { return frameHeights[i]; }
    double frameWidth(int i) const override { return frameWidths[i]; }
    QString localPath() const override { return path; }

    void setWindowState(short v) override { set("state", state, v); }
    void setWindowTop(double v) override { set("top", top, v); }
    void setWindowLeft(double v) override { set("left", left, v); }
    void setWindowHeight(double v) override { set("height", height, v); }
    void setWindowWidth(double v) override { set("width", width, v); }
    void setFrameHeight(int i, double v) override {
        set(i == 0 ? "frameHeight0" : "frameHeight1", frameHeights[i], v);
    }
    void setFrameWidth(int i, double v) override {
        set(i == 0 ? "frameWidth0" : "frameWidth1", frameWidths[i], v);
    }
    bool setLocalPath(const QString& p) override {
        calls << QStringLiteral("path");
        if (p.isEmpty() || !QDir(p).exists())
            return false;
        path = p;
        return true;
    }

private:
    template <typename T, typename V> void set(const char* name, T& field, V value) {
        calls << QString::fromLatin1(name);
        field = T(value);
    }
};
