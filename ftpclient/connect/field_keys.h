#pragma once

#include <QHash>
#include <QObject>

#include <functional>

class QWidget;

// Text fields of a form that select their whole text when they receive the
// focus, and swallow the Enter key to do something else with it (typically
// move on to the next field).
class FieldKeys : public QObject {
    Q_OBJECT

public:
    explicit FieldKeys(QObject* parent = nullptr);

    // `field` is a QLineEdit or an editable QComboBox.
    void add(QWidget* field, std::function<void()> onEnter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QObject*, std::function<void()>> m_onEnter;
};
