#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// Every question and message the client puts to the user goes through this
// interface, so that tests can answer them without a modal dialog.
class Prompter {
public:
    enum class Answer { Yes, No, Cancel };
    enum class Icon { None, Critical, Warning };

    virtual ~Prompter() = default;

    virtual void beep() = 0;
    // A message box with an OK button only.
    virtual void message(const QString& text, const QString& title, Icon icon) = 0;
    // A box with Yes, No and Cancel buttons and no icon; Enter presses
    // `defaultButton`. Questions that destroy something make it No.
    virtual Answer askYesNoCancel(const QString& text, const QString& title,
                                  Answer defaultButton) = 0;
    // An input box; returns "" when the user cancels.
    virtual QString input(const QString& prompt, const QString& title,
                          const QString& defaultText) = 0;
    // A box with `buttons` (at least one); returns the index of the one
    // pressed. Enter presses `defaultButton`; Escape and closing the box
    // press `escapeButton`. With `checkBox` text, the box also has a check
    // box, whose state goes to *checked.
    virtual int choose(const QString& text, const QString& title, Icon icon,
                       const QStringList& buttons, int defaultButton, int escapeButton,
                       const QString& checkBox = QString(), bool* checked = nullptr) = 0;
    // An input box whose text is not shown; nothing when the user cancels.
    // With `checkBox` text, the box also has a check box that starts as
    // *checked and whose state goes back to *checked.
    virtual std::optional<QString> password(const QString& prompt, const QString& title,
                                            const QString& checkBox = QString(),
                                            bool* checked = nullptr) = 0;
};

// The real thing: modal Qt dialogs over the given parent window.
class WidgetPrompter : public Prompter {
public:
    explicit WidgetPrompter(QWidget* parent = nullptr)
        : m_parent(parent) {}

    void setParent(QWidget* parent) { m_parent = parent; }

    void beep() override;
    void message(const QString& text, const QString& title, Icon icon) override;
    Answer askYesNoCancel(const QString& text, const QString& title, Answer defaultButton) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    int choose(const QString& text, const QString& title, Icon icon, const QStringList& buttons,
               int defaultButton, int escapeButton, const QString& checkBox = QString(),
               bool* checked = nullptr) override;
    std::optional<QString> password(const QString& prompt, const QString& title,
                                    const QString& checkBox = QString(),
                                    bool* checked = nullptr) override;

private:
    QWidget* m_parent;
};
