#pragma once

#include <QDialog>

// "About Vantel Custom Control": the control's icon, its name and version,
// and an OK button at the right.
class CVantelAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit CVantelAboutBox(QWidget* parent = nullptr);
};
