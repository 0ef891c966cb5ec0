// The connect dialog's protocol rows: the protocol box, the warning that
// goes with plain FTP, and the key file an SFTP login may use.
#include "connect_frm.h"

#include "twips.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The rows below the password row, in twips.
constexpr double ProtocolTop = 2040;
constexpr double WarningTop = 2520;
constexpr double KeyFileTop = 3000;

} // namespace

void Connect_Frm::createProtocolControls() {
    const double dpiX = logicalDpiX();
    const double dpiY = logicalDpiY();
    const auto place = [&](QWidget* w, double left, double top, double width, double height) {
        w->setGeometry(twipsRect(left, top, width, height, dpiX, dpiY));
    };

    Lbl_Protocol = new QLabel(QStringLiteral("Protocol"), this);
    Lbl_Protocol->setObjectName(QStringLiteral("Lbl_Protocol"));
    place(Lbl_Protocol, 120, ProtocolTop, 1575, 255);
    Cmb_Protocol = new QComboBox(this);
    Cmb_Protocol->setObjectName(QStringLiteral("Cmb_Protocol"));
    for (ServerProtocol protocol : AllServerProtocols)
        Cmb_Protocol->addItem(protocolDisplayName(protocol), int(protocol));
    place(Cmb_Protocol, 1680, ProtocolTop, 3855, 315);

    Lbl_Insecure = new QLabel(QStringLiteral("Password and files travel unencrypted."), this);
    Lbl_Insecure->setObjectName(QStringLiteral("Lbl_Insecure"));
    place(Lbl_Insecure, 1680, WarningTop, 3855, 255);

    Lbl_KeyFile = new QLabel(QStringLiteral("Key file"), this);
    Lbl_KeyFile->setObjectName(QStringLiteral("Lbl_KeyFile"));
    place(Lbl_KeyFile, 120, KeyFileTop, 1575, 255);
    Txt_KeyFile = new QLineEdit(this);
    Txt_KeyFile->setObjectName(QStringLiteral("Txt_KeyFile"));
    place(Txt_KeyFile, 1680, KeyFileTop, 2865, 285);
    Cmd_KeyFile = new QPushButton(QStringLiteral("Browse..."), this);
    Cmd_KeyFile->setObjectName(QStringLiteral("Cmd_KeyFile"));
    Cmd_KeyFile->setAutoDefault(true);
    place(Cmd_KeyFile, 4560, KeyFileTop, 975, 285);

    chooseKeyFile = [this](const QString& startPath) {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Private Key File"), startPath);
    };
    connect(Cmb_Protocol, &QComboBox::currentIndexChanged, this, &Connect_Frm::Cmb_Protocol_Click);
    connect(Cmd_KeyFile, &QPushButton::clicked, this, &Connect_Frm::Cmd_KeyFile_Click);
    Cmb_Protocol_Click(Cmb_Protocol->currentIndex());
}

ServerProtocol Connect_Frm::protocolShown() const {
    return ServerProtocol(Cmb_Protocol->currentData().toInt());
}

void Connect_Frm::showProtocol(ServerProtocol protocol) {
    Cmb_Protocol->setCurrentIndex(Cmb_Protocol->findData(int(protocol)));
}

// The warning and the key file follow the protocol, whoever chose it.
void Connect_Frm::Cmb_Protocol_Click(int index) {
    if (index < 0)
        return;
    const ServerProtocol protocol = protocolShown();
    Lbl_Insecure->setVisible(protocol == ServerProtocol::PlainFtp);
    const bool sftp = protocol == ServerProtocol::Sftp;
    Lbl_KeyFile->setEnabled(sftp);
    Txt_KeyFile->setEnabled(sftp);
    Cmd_KeyFile->setEnabled(sftp);
}

// An address typed with a scheme ("sftp://...") picks the protocol that goes
// with it.
void Connect_Frm::Txt_Host_Change(const QString& typed) {
    if (const std::optional<ServerProtocol> protocol = protocolOfAddress(typed, protocolShown()))
        showProtocol(*protocol);
}

void Connect_Frm::Cmd_KeyFile_Click() {
    if (!chooseKeyFile)
        return;
    const QString chosen = chooseKeyFile(keyFileStartPath());
    if (!chosen.isEmpty())
        Txt_KeyFile->setText(chosen);
}

QString Connect_Frm::keyFileStartPath() const {
    if (!Txt_KeyFile->text().isEmpty())
        return Txt_KeyFile->text();
    const QString sshDir = QDir::home().filePath(QStringLiteral(".ssh"));
    return QFileInfo(sshDir).isDir() ? sshDir : QDir::homePath();
}
