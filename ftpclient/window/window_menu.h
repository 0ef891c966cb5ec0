#pragma once

#include <QKeySequence>
#include <QObject>

#include <functional>

class Prompter;
class QAction;
class QMenu;
class QToolButton;
class QWidget;
class QueuePreferences;
class TwipsGeometry;
struct WindowDialogs;

// The window's menu under the arrows: Preferences, About and Quit, each
// with the key a desktop user expects (Ctrl+, F1 and Ctrl+Q), which works
// with the menu closed, under the entries the window adds at its top.
class WindowMenu : public QObject {
    Q_OBJECT

public:
    WindowMenu(QWidget& window, TwipsGeometry& twips, Prompter& prompter,
               QueuePreferences& preferences, WindowDialogs& dialogs);

    QToolButton* button() const { return m_button; }
    void Act_Preferences_Click();
    void Act_About_Click();
    // An entry above Preferences, in the order added, with its key.
    QAction* addAtTop(const QString& text, const QKeySequence& keys,
                      const std::function<void()>& handler);
    // A menu of entries there, after those added before.
    QMenu* addMenuAtTop(const QString& title);

private:
    QWidget& m_window;
    Prompter& m_prompter;
    QueuePreferences& m_preferences;
    WindowDialogs& m_dialogs;
    QAction* entry(const QString& text, const QKeySequence& keys,
                   const std::function<void()>& handler);

    QToolButton* m_button = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_top = nullptr; // Preferences
    QAction* m_topSeparator = nullptr;
};
