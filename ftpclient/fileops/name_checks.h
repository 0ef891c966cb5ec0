#pragma once

#include <QString>

// Whether a name may become a local file name or a new name on either side:
// not empty, not "." or "..", and free of "/" and control characters. A name
// from the server that fails this could make a download write elsewhere.
bool isPlainFileName(const QString& name);
