#pragma once

#include "plain_name.h"

#include <QString>

// Raise FileError when a name the user typed cannot be that of a new file or
// directory.
void checkNewFileName(const QString& name);
void checkNewDirectoryName(const QString& name);

// The parent of a directory path that ends with a separator: /a/b/ gives /a/.
// A path with no separator before its last character stays as it is.
QString parentDirectory(const QString& path);

// The system's description of the last failed call.
QString systemError();
