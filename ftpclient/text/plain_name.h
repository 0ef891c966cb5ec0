#pragma once

#include <QString>

// Whether `name` can name a file inside a directory and nothing else: not
// empty, not "." or "..", no "/" and no control character.
bool isPlainFileName(const QString& name);
