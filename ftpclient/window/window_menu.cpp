// The window's menu: preferences, the about box and quitting, each with the
// key a desktop user expects.
#include "window_menu.h"

#include "common/prompter.h"
#include "common/twips_geometry.h"
#include "panes/file_icons.h"
#include "preferences_dialog.h"
#include "queue_preferences.h"
#include "window_dialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QToolButton>

WindowMenu::WindowMenu(QWidget& window, TwipsGeometry& twips, Prompter& prompter,
                       QueuePreferences& preferences, WindowDialogs& dialogs)
    : QObject(&window)
    , m_window(window)
    , m_prompter(prompter)
    , m_preferences(preferences)
    , m_dialogs(dialogs) {
    m_button = new QToolButton(&window);
    m_button->setIcon(FileIcons::menuIcon());
    m_button->setToolTip(
        QStringLiteral("Compare, Synchronise, Folder pairs, Preferences, About and Quit"));
    m_button->setPopupMode(QToolButton::InstantPopup);
    twips.place(m_button, 4875, 4275, 450, 450);

    m_menu = new QMenu(m_button);
    QMenu* menu = m_menu;
    const auto add = [this](const QString& text, const QKeySequence& keys, auto handler) {
        m_menu->addAction(entry(text, keys, handler));
    };
    add(QStringLiteral("&Preferences..."), QKeySequence(Qt::CTRL | Qt::Key_Comma),
        [this] { Act_Preferences_Click(); });
    add(QStringLiteral("&About tarlen"), QKeySequence(Qt::Key_F1), [this] { Act_About_Click(); });
    menu->addSeparator();
    add(QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { m_window.close(); });
    m_button->setMenu(menu);
    m_top = m_menu->actions().value(0);

    m_dialogs.showPreferences = [this](const Preferences& current) -> std::optional<Preferences> {
        PreferencesDialog dialog(current, &m_window);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.chosen();
    };
}

void WindowMenu::Act_Preferences_Click() {
    if (!m_dialogs.showPreferences)
        return;
    if (const std::optional<Preferences> chosen =
            m_dialogs.showPreferences(m_preferences.current()))
        m_preferences.set(*chosen);
}

void WindowMenu::Act_About_Click() {
    const QString version = QCoreApplication::applicationVersion();
    m_prompter.message(
        QStringLiteral("tarlen %1\n\nA two-pane file transfer client for FTP, FTP over TLS and "
                       "SFTP, with the Vantel list control.\n\nBuilt with Qt %2.")
            .arg(version.isEmpty() ? QStringLiteral("(development build)") : version,
                 QString::fromLatin1(qVersion())),
        QStringLiteral("About tarlen"), Prompter::Icon::None);
}

QAction* WindowMenu::entry(const QString& text, const QKeySequence& keys,
                           const std::function<void()>& handler) {
    auto* action = new QAction(text, m_menu);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(action); // the key works with the menu closed
    connect(action, &QAction::triggered, this, handler);
    return action;
}

QAction* WindowMenu::addAtTop(const QString& text, const QKeySequence& keys,
                              const std::function<void()>& handler) {
    if (!m_topSeparator)
        m_topSeparator = m_menu->insertSeparator(m_top);
    QAction* action = entry(text, keys, handler);
    m_menu->insertAction(m_topSeparator, action);
    return action;
}

QMenu* WindowMenu::addMenuAtTop(const QString& title) {
    if (!m_topSeparator)
        m_topSeparator = m_menu->insertSeparator(m_top);
    auto* menu = new QMenu(title, m_menu);
    m_menu->insertMenu(m_topSeparator, menu);
    return menu;
}
