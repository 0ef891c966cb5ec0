#pragma once

#include <QString>

#include <stdexcept>

// A run-time error raised by the transfer component: a number the caller can
// test and a description a person can read.
class InetError : public std::runtime_error {
public:
    InetError(int number, const QString& description)
        : std::runtime_error(description.toStdString())
        , m_number(number)
        , m_description(description) {}

    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};
