#pragma once

#include "settings_window.h"

#include <QDir>
#include <QStringList>

// A main window stand-in that records what the settings apply to it. It
// starts at "design" values and shows any directory that exists.
class FakeSettingsWindow : public SettingsWindow {
public:
    static constexpr double DesignHeight = 6000;
    static constexpr double DesignWidth = 10560;
    static constexpr double DesignFrameHeight = 4575;
    static constexpr double DesignFrameWidth = 5055;

    short state = 0;
    double top = 1000;
    double left = 2000;
    double height = DesignHeight;
    double width = DesignWidth;
    double frameHeights[2] = {DesignFrameHeight, DesignFrameHeight};
    double frameWidths[2] = {DesignFrameWidth, DesignFrameWidth};
    QString path = QStringLiteral("/");
    QStringList calls; // the setters called, in order

    short windowState() const override { return state; }
    void setWindowState(short s) override {
        calls << QStringLiteral("state");
        state = s;
    }
    double windowTop() const override { return top; }
    double windowLeft() const override { return left; }
    double windowHeight() const override { return height; }
    double windowWidth() const override { return width; }
    void setWindowTop(double v) override {
        calls << QStringLiteral("top");
        top = v;
    }
    void setWindowLeft(double v) override {
        calls << QStringLiteral("left");
        left = v;
    }
    void setWindowHeight(double v) override {
        calls << QStringLiteral("height");
        height = v;
    }
    void setWindowWidth(double v) override {
        calls << QStringLiteral("width");
        width = v;
    }
    double frameHeight(int index) const override { return frameHeights[index]; }
    double frameWidth(int index) const override { return frameWidths[index]; }
    void setFrameHeight(int index, double v) override {
        calls << QStringLiteral("frameHeight%1").arg(index);
        frameHeights[index] = v;
    }
    void setFrameWidth(int index, double v) override {
        calls << QStringLiteral("frameWidth%1").arg(index);
        frameWidths[index] = v;
    }
    QString localPath() const override { return path; }
    bool setLocalPath(const QString& p) override {
        calls << QStringLiteral("path");
        if (p.isEmpty() || !QDir(p).exists())
            return false;
        path = p;
        return true;
    }
};
