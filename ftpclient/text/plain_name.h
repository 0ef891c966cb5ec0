#pragma once

#include <QString>

// Whether `name` can name a file inside a directory and nothing else: not
// empty, not "." or "..", no "/" and no control character (see
// control_characters.h).
bool isPlainFileName(const QString& name);

// The last part of a slash-separated path, and everything before it (ending
// in "/", or empty when there is no "/").
QString nameOf(const QString& path);
QString folderOf(const QString& path);
