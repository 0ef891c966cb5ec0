#pragma once

#include "preferences.h"

#include <QDialog>

class QComboBox;
class QSpinBox;

// The settings that no other dialog holds: how the transfer queue works.
class PreferencesDialog : public QDialog {
    Q_OBJECT

public:
    PreferencesDialog(const Preferences& current, QWidget* parent = nullptr);

    // What the dialog shows now.
    Preferences chosen() const;

    QSpinBox* Spn_Parallel = nullptr;
    QComboBox* Cmb_Existing = nullptr;
};
