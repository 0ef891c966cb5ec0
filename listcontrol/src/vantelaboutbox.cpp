#include "vantel/vantelaboutbox.h"
#include "vantel/vantelids.h"
#include "vanteldialogunits.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

CVantelAboutBox::CVantelAboutBox(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Vantel Custom Control"));
    setFont(vantelDialogFont());
    const VantelDialogUnits du(font());
    setFixedSize(du.size(260, 55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(QPixmap(QStringLiteral(":/vantel/ICON/%1").arg(VantelIds::AboutIconResource)));
    icon->setGeometry(du.rect(10, 10, 20, 20));

    auto* text = new QLabel(QStringLiteral("Vantel Control, Version 1.0"), this);
    text->setObjectName(QStringLiteral("version"));
    text->setGeometry(du.rect(40, 10, 119, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setProperty("controlId", 1);
    ok->setDefault(true);
    ok->setGeometry(du.rect(203, 10, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
