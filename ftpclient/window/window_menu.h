#pragma once

#include <QObject>

class Prompter;
class QToolButton;
class QWidget;
class QueuePreferences;
class TwipsGeometry;
struct WindowDialogs;

// The window's menu under the arrows: Preferences, About and Quit, each
// with the key a desktop user expects (Ctrl+, F1 and Ctrl+Q), which works
// with the menu closed.
class WindowMenu : public QObject {
    Q_OBJECT

public:
    WindowMenu(QWidget& window, TwipsGeometry& twips, Prompter& prompter,
               QueuePreferences& preferences, WindowDialogs& dialogs);

    QToolButton* button() const { return m_button; }
    void Act_Preferences_Click();
    void Act_About_Click();

private:
    QWidget& m_window;
    Prompter& m_prompter;
    QueuePreferences& m_preferences;
    WindowDialogs& m_dialogs;
    QToolButton* m_button = nullptr;
};
