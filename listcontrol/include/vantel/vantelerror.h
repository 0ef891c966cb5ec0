#pragma once

#include <QString>
#include <stdexcept>

// The automation error raised by the list control. The number is the
// standard control error number (7, 380, 381, 383, 394 for the members of
// the control; 6, 13, 438 and 450 for late-bound calls that do not fit a
// member). The control's state is unchanged when one is thrown.
class VantelError : public std::runtime_error {
public:
    enum Number : int {
        Overflow = 6,
        OutOfMemory = 7,
        TypeMismatch = 13,
        InvalidPropertyValue = 380,
        InvalidArrayIndex = 381,
        CannotSet = 383,
        CannotGet = 394,
        NoSuchMember = 438,
        WrongArguments = 450,
    };

    VantelError(int number, const QString& detail);

    int number() const noexcept { return m_number; }
    // The error code in the control facility (0x800A0000 + number).
    quint32 hresult() const noexcept { return 0x800A0000u + quint32(m_number); }
    // "<standard text>: <detail>"
    QString description() const { return m_description; }

    static QString standardText(int number);

private:
    int m_number;
    QString m_description;
};
