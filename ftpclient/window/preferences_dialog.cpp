#include "preferences_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

PreferencesDialog::PreferencesDialog(const Preferences& current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Preferences"));
    auto* form = new QFormLayout;

    Spn_Parallel = new QSpinBox(this);
    Spn_Parallel->setRange(1, 10);
    Spn_Parallel->setValue(current.parallelTransfers);
    Spn_Parallel->setToolTip(QStringLiteral("Each file on a connection of its own"));
    form->addRow(QStringLiteral("&Files moved at once:"), Spn_Parallel);

    Cmb_Existing = new QComboBox(this);
    Cmb_Existing->addItems({QStringLiteral("Ask what to do"),
                            QStringLiteral("Overwrite if newer or of another size, else skip"),
                            QStringLiteral("Skip it")});
    Cmb_Existing->setCurrentIndex(current.existingFiles);
    form->addRow(QStringLiteral("When the &target exists:"), Cmb_Existing);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

Preferences PreferencesDialog::chosen() const {
    Preferences prefs;
    prefs.parallelTransfers = short(Spn_Parallel->value());
    prefs.existingFiles = short(Cmb_Existing->currentIndex());
    return prefs;
}
