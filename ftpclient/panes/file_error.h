#pragma once

#include <stdexcept>

#include <QString>

// A failure of a local file operation, with the system's own description.
class FileError : public std::runtime_error {
public:
    explicit FileError(const QString& description)
        : std::runtime_error(description.toStdString()) {}
};
