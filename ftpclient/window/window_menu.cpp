// The window's menu: preferences, the about box and quitting, each with the
// key a desktop user expects.
#include "tarlen_frm.h"

#include "common/prompter.h"
#include "panes/file_icons.h"
#include "preferences_dialog.h"
#include "window_settings.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QToolButton>

void TARLEN_Frm::createMenu() {
    Cmd_Menu = new QToolButton(this);
    Cmd_Menu->setIcon(FileIcons::menuIcon());
    Cmd_Menu->setToolTip(QStringLiteral("Preferences, About and Quit"));
    Cmd_Menu->setPopupMode(QToolButton::InstantPopup);
    m_twips.place(Cmd_Menu, 4875, 4275, 450, 450);

    auto* menu = new QMenu(Cmd_Menu);
    const auto add = [this, menu](const QString& text, const QKeySequence& keys, auto handler) {
        QAction* action = menu->addAction(text);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action); // the key works with the menu closed
        connect(action, &QAction::triggered, this, handler);
    };
    add(QStringLiteral("&Preferences..."), QKeySequence(Qt::CTRL | Qt::Key_Comma),
        [this] { Act_Preferences_Click(); });
    add(QStringLiteral("&About tarlen"), QKeySequence(Qt::Key_F1), [this] { Act_About_Click(); });
    menu->addSeparator();
    add(QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
    Cmd_Menu->setMenu(menu);

    showPreferences = [this](const Preferences& current) -> std::optional<Preferences> {
        PreferencesDialog dialog(current, this);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.chosen();
    };
}

void TARLEN_Frm::Act_Preferences_Click() {
    if (!showPreferences)
        return;
    if (const std::optional<Preferences> chosen = showPreferences(m_settings->preferences()))
        m_settings->setPreferences(*chosen);
}

void TARLEN_Frm::Act_About_Click() {
    const QString version = QCoreApplication::applicationVersion();
    m_prompter.message(
        QStringLiteral("tarlen %1\n\nA two-pane file transfer client for FTP, FTP over TLS and "
                       "SFTP, with the Vantel list control.\n\nBuilt with Qt %2.")
            .arg(version.isEmpty() ? QStringLiteral("(development build)") : version,
                 QString::fromLatin1(qVersion())),
        QStringLiteral("About tarlen"), Prompter::Icon::None);
}
