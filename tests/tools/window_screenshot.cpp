// Drives the real main window the way a person would: opens the connect
// dialog, types a host into it, connects, and saves pictures of the dialog
// and of the window. Used by scripts/screenshot.sh.
//
//   window_screenshot --server HOST:PORT --user U --password P --local DIR --out DIR
//                     [--protocol FTP-TLS-REQUIRED|FTPS-IMPLICIT|SFTP|...] [--larger-font]
//
// --larger-font pictures everything in fonts one point larger than usual: the
// desktop's default font and the window's own.
//
// A question about the server's certificate or host key is answered with its
// default button, after a picture of it (question-1.png, ...); the one about
// clear text with "Continue in clear text".
#include "common/prompter.h"
#include "connect/connect_frm.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "transfer_queue.h"
#include "window/status_log.h"
#include "window/sync_control.h"
#include "window/sync_dialog.h"
#include "window/tarlen_frm.h"
#include "window/transfer_progress.h"
#include "window_settled.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

bool save(QWidget* w, const QString& path);

// Tells on stderr what a person would have been asked or told.
class ConsolePrompter : public Prompter {
public:
    explicit ConsolePrompter(QString out)
        : m_out(std::move(out)) {}

    void beep() override {}
    void message(const QString& text, const QString& title, Icon) override {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
    }
    Answer askYesNoCancel(const QString& text, const QString& title, Answer) override {
        std::fprintf(stderr, "[%s] %s -> Yes\n", qPrintable(title), qPrintable(text));
        return Answer::Yes;
    }
    QString input(const QString& prompt, const QString&, const QString& defaultText) override {
        std::fprintf(stderr, "%s -> %s\n", qPrintable(prompt), qPrintable(defaultText));
        return defaultText;
    }
    int choose(const QString& text, const QString& title, Icon icon, const QStringList& buttons,
               int defaultButton, int, const QString& checkBox = QString(),
               bool* = nullptr) override {
        // The box as it would stand before the person, pictured.
        QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title,
                        text, QMessageBox::NoButton);
        box.setTextFormat(Qt::PlainText);
        for (const QString& caption : buttons) {
            QPushButton* button = box.addButton(caption, QMessageBox::ActionRole);
            if (button->text() == buttons.value(defaultButton))
                box.setDefaultButton(button);
        }
        if (!checkBox.isEmpty())
            box.setCheckBox(new QCheckBox(checkBox, &box));
        box.show();
        QApplication::processEvents();
        save(&box, m_out + QStringLiteral("/question-%1.png").arg(++m_questions));
        // The sample server has no TLS: it is reached in clear text once
        // asked, as a person trying it would agree to.
        const qsizetype clearText = buttons.indexOf(QStringLiteral("Continue in clear text"));
        const int answer = clearText >= 0 ? int(clearText) : defaultButton;
        std::fprintf(stderr, "[%s] %s -> %s\n", qPrintable(title), qPrintable(text),
                     qPrintable(buttons.value(answer)));
        return answer;
    }
    std::optional<QString> password(const QString& prompt, const QString&,
                                    const QString& = QString(), bool* = nullptr) override {
        std::fprintf(stderr, "%s -> (cancelled)\n", qPrintable(prompt));
        return std::nullopt;
    }

private:
    QString m_out;
    int m_questions = 0;
};

bool save(QWidget* w, const QString& path) {
    const bool ok = w->grab().save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

// Runs `work` once the queue has nothing left to do (a transfer left
// unfinished last time goes on after the login) and the local pane has read
// its folder again, as a person would press Refresh before comparing.
void whenQueueDone(TARLEN_Frm& window, const std::function<void()>& work) {
    if (!window.queue().idle()) {
        QTimer::singleShot(10, &window, [&window, work] { whenQueueDone(window, work); });
        return;
    }
    window.parts().localPane->Cmd_Refresh_Click();
    whenIdle(window, work);
}

// Compare, then the Synchronise dialog's preview of bringing the server in
// line with the local folder: compare.png, compare-hidden.png (what is the
// same left out) and synchronise.png.
void pictureSynchronising(TARLEN_Frm& window, const QString& out,
                          const std::function<void(bool)>& done) {
    SyncControl& sync = window.sync();
    auto* step = new QObject(&window);
    QObject::connect(&sync, &SyncControl::compared, step, [&window, &sync, out, done, step] {
        if (!sync.dialog()) {
            QApplication::processEvents();
            bool saved = save(&window, out + QStringLiteral("/compare.png"));
            sync.setHidingSame(true);
            QApplication::processEvents();
            saved = save(&window, out + QStringLiteral("/compare-hidden.png")) && saved;
            sync.setHidingSame(false);
            sync.Act_Synchronise_Click();
            SyncOptions options = sync.dialog()->options();
            options.deleteExtra = true;
            sync.dialog()->setOptions(options);
            sync.dialog()->Cmd_Preview->click();
            if (!saved)
                done(false);
            return;
        }
        QApplication::processEvents();
        const bool saved = save(sync.dialog(), out + QStringLiteral("/synchronise.png"));
        step->deleteLater();
        done(saved);
    });
    sync.Act_Compare_Click();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions(
        {{"server", "host:port", "address"},
         {"user", "user name", "name"},
         {"password", "password", "text"},
         {"local", "local directory to show", "dir"},
         {"out", "directory for the pictures", "dir"},
         {"download", "remote file to download; the picture catches it half-way (repeatable)",
          "name"},
         {"protocol", "protocol as the settings file names it", "name"},
         {"synchronise", "compare the panes' folders and show the Synchronise dialog's preview"},
         {"larger-font", "fonts one point larger than usual"}});
    parser.process(app);
    const QString out = parser.value("out");
    QDir().mkpath(out);
    const auto larger = [](QFont font) {
        font.setPointSizeF(font.pointSizeF() + 1);
        return font;
    };
    if (parser.isSet("larger-font"))
        QApplication::setFont(larger(QApplication::font()));

    ConsolePrompter prompter(out);
    TARLEN_Frm window(prompter);
    if (parser.isSet("larger-font"))
        window.setFont(larger(window.font()));
    window.Form_Load();
    window.parts().localPane->setLocalPath(parser.value("local"));
    window.show();

    window.dialogs().showConnectDialog = [&] {
        Connect_Frm dialog(window.settingsStore().profiles(), prompter,
                           window.settingsStore().key(), &window);
        dialog.show();
        dialog.Cmb_Host->setEditText(QStringLiteral("Sample server"));
        dialog.Txt_Host->setText(parser.value("server"));
        dialog.Txt_UI->setText(parser.value("user"));
        dialog.Txt_PW->setText(parser.value("password"));
        if (const auto protocol = protocolFromSettingsValue(parser.value("protocol")))
            dialog.Cmb_Protocol->setCurrentIndex(dialog.Cmb_Protocol->findData(int(*protocol)));
        dialog.Chk_PW->setChecked(true);
        dialog.Cmd_Save->click();
        QApplication::processEvents();
        save(&dialog, out + QStringLiteral("/connect-dialog.png"));
        dialog.Cmd_Connect->click();
        window.settingsStore().profiles() = dialog.profiles();
        return dialog.chosenHost();
    };

    int status = 1;
    QTimer::singleShot(200, &window, [&] {
        window.parts().Cmd_Connect->click();
        // The login goes on in the event loop; the pictures wait for its end.
        whenIdle(window, [&] {
            window.parts().Txt_Status->updateView();
            QApplication::processEvents();
            status = save(&window, out + QStringLiteral("/main-window.png")) &&
                             window.session().connected()
                         ? 0
                         : 1;
            if (parser.isSet("synchronise")) {
                whenQueueDone(window, [&] {
                    pictureSynchronising(window, out, [&](bool ok) {
                        status = ok ? status : 1;
                        window.close();
                        app.quit();
                    });
                });
                return;
            }
            const QStringList downloads = parser.values("download");
            if (downloads.isEmpty()) {
                window.close();
                app.quit();
                return;
            }
            CVantelCtrl* remote = window.parts().remotePane->LstX_Files;
            for (int i = 0; i < remote->ListCount(); ++i)
                remote->SetSelected(i, downloads.contains(remote->List(i)));
            window.Cmd_Dn_Click();
            // Half-way through, take the picture and stop the rest.
            QTimer::singleShot(2500, &window, [&] {
                window.parts().Txt_Status->updateView();
                if (!save(&window, out + QStringLiteral("/transfer.png")) ||
                    window.parts().Progress->isHidden())
                    status = 1;
                // Paused and stopped, the queue leaves nothing running to ask
                // about when the window closes.
                window.queue().controls().pause();
                while (window.queue().totals().running > 0)
                    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
                window.close();
                app.quit();
            });
        });
    });
    app.exec();
    return status;
}
