// Drives the real main window through its connect dialog from the command
// line and says on stdout how far it got, one line at a time, for tests
// that kill it midway (SIGKILL) and look at what it left behind.
//
//   window_driver --server HOST:PORT --user U --password P [--protocol NAME]
//                 [--save-profile NAME [--save-password]] [--local DIR]
//                 [--download-all | --upload-all] [--parallel N] [--press BUTTON ...]
//   window_driver --delete-profile NAME
//
// Lines: "SAVED" (the profile was saved in the dialog), "DELETED",
// "CONNECTED", "QUEUED <count>", "FINISHED <name>" for each file done or
// skipped. Questions get their default answers, unless they offer a button
// named by --press; messages go to stderr. It runs until it is killed or
// closed.
#include "common/prompter.h"
#include "connect/connect_frm.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "transfer_queue.h"
#include "window/tarlen_frm.h"
#include "window_settled.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Every question is answered as Enter would, or with a button of `pressed`
// where it offers one, and said on stderr.
class DefaultPrompter : public Prompter {
public:
    QStringList pressed; // buttons chosen over the default wherever offered

    void beep() override {}
    void message(const QString& text, const QString& title, Icon) override {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
    }
    Answer askYesNoCancel(const QString& text, const QString&, Answer defaultButton) override {
        std::fprintf(stderr, "%s -> default\n", qPrintable(text));
        return defaultButton;
    }
    QString input(const QString&, const QString&, const QString& defaultText) override {
        return defaultText;
    }
    int choose(const QString& text, const QString&, Icon, const QStringList& buttons,
               int defaultButton, int, const QString& = QString(), bool* = nullptr) override {
        for (const QString& button : pressed) {
            if (buttons.contains(button)) {
                std::fprintf(stderr, "%s -> %s\n", qPrintable(text), qPrintable(button));
                return int(buttons.indexOf(button));
            }
        }
        std::fprintf(stderr, "%s -> default\n", qPrintable(text));
        return defaultButton;
    }
    std::optional<QString> password(const QString&, const QString&, const QString&,
                                    bool*) override {
        return std::nullopt;
    }
};

// Runs `work` on the connect dialog once the window has it open.
void whenDialogShows(const std::function<void(Connect_Frm&)>& work) {
    if (auto* dialog = qobject_cast<Connect_Frm*>(QApplication::activeModalWidget())) {
        work(*dialog);
        return;
    }
    QTimer::singleShot(10, [work] { whenDialogShows(work); });
}

// Runs `work` once the keyring answered what the dialog asked of it (the
// password of a profile removed, say): only then is it done for good.
void whenKeyringAnswered(Connect_Frm& dialog, const std::function<void()>& work) {
    if (!dialog.keyringBusy()) {
        work();
        return;
    }
    QTimer::singleShot(10, &dialog, [&dialog, work] { whenKeyringAnswered(dialog, work); });
}

int findHost(const Connect_Frm& dialog, const QString& name) {
    for (int i = 0; i < dialog.Cmb_Host->count(); ++i)
        if (dialog.Cmb_Host->itemText(i) == name)
            return i;
    return -1;
}

void typeLogin(Connect_Frm& dialog, const QCommandLineParser& parser) {
    dialog.Txt_Host->setText(parser.value("server"));
    dialog.Txt_UI->setText(parser.value("user"));
    dialog.Txt_PW->setText(parser.value("password"));
    const auto protocol = protocolFromSettingsValue(parser.value("protocol"));
    const ServerProtocol chosen = protocol.value_or(ServerProtocol::PlainFtp);
    dialog.Cmb_Protocol->setCurrentIndex(dialog.Cmb_Protocol->findData(int(chosen)));
    if (parser.isSet("save-profile")) {
        dialog.Cmb_Host->setEditText(parser.value("save-profile"));
        dialog.Chk_PW->setChecked(parser.isSet("save-password"));
        dialog.Cmd_Save->click();
        say(QStringLiteral("SAVED"));
    }
    dialog.Cmd_Connect->click();
}

void deleteProfile(Connect_Frm& dialog, const QString& name) {
    const int k = findHost(dialog, name);
    if (k < 0) {
        std::fprintf(stderr, "no profile %s\n", qPrintable(name));
        QApplication::exit(1);
        return;
    }
    dialog.Cmb_Host->setCurrentIndex(k);
    dialog.Cmb_Host_Click(k);
    dialog.Cmd_Delete->click();
    whenKeyringAnswered(dialog, [&dialog] {
        say(QStringLiteral("DELETED"));
        dialog.Cmd_Cancel->click();
    });
}

// Selects every file of `files`, presses the window's button that queues
// them (`queueButton`) and says how many items the queue then holds.
void queueAll(TARLEN_Frm& window, CVantelCtrl* files, void (TARLEN_Frm::*queueButton)()) {
    for (int i = 0; i < files->ListCount(); ++i)
        files->SetSelected(i, true);
    (window.*queueButton)();
    say(QStringLiteral("QUEUED %1").arg(window.queue().items().size()));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"server", "host:port", "address"},
                       {"user", "user name", "name"},
                       {"password", "password", "text"},
                       {"protocol", "protocol as the settings file names it", "name"},
                       {"save-profile", "save the login as this profile first", "name"},
                       {"save-password", "with Save Password checked"},
                       {"delete-profile", "delete this profile in the dialog", "name"},
                       {"local", "local folder to show", "dir"},
                       {"download-all", "download every file of the login folder"},
                       {"upload-all", "upload every file of the local folder"},
                       {"parallel", "files at once", "count"},
                       {"press", "press this button wherever a question offers it", "text"}});
    parser.process(app);

    DefaultPrompter prompter;
    prompter.pressed = parser.values("press");
    TARLEN_Frm window(prompter);
    window.Form_Load();
    if (parser.isSet("local"))
        window.parts().localPane->setLocalPath(parser.value("local"));
    if (parser.isSet("parallel"))
        window.queue().setParallel(parser.value("parallel").toInt());
    window.show();
    QObject::connect(&window.queue(), &TransferQueue::itemFinished, &window,
                     [](const TransferItem& item) {
                         if (!item.folder)
                             say(QStringLiteral("FINISHED ") + item.name());
                     });

    QTimer::singleShot(0, &window, [&] {
        if (parser.isSet("delete-profile")) {
            whenDialogShows([&](Connect_Frm& dialog) {
                deleteProfile(dialog, parser.value("delete-profile"));
            });
            window.parts().Cmd_Connect->click();
            return;
        }
        whenDialogShows([&](Connect_Frm& dialog) { typeLogin(dialog, parser); });
        window.parts().Cmd_Connect->click();
        whenIdle(window, [&] {
            if (!window.session().connected()) {
                std::fprintf(stderr, "not connected\n");
                QApplication::exit(1);
                return;
            }
            say(QStringLiteral("CONNECTED"));
            if (parser.isSet("download-all"))
                queueAll(window, window.parts().remotePane->LstX_Files, &TARLEN_Frm::Cmd_Dn_Click);
            else if (parser.isSet("upload-all"))
                queueAll(window, window.parts().localPane->LstX_Files, &TARLEN_Frm::Cmd_Up_Click);
        });
    });
    return app.exec();
}
