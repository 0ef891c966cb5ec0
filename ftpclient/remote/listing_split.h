#pragma once

#include <QString>
#include <QStringList>

// Splits a listing reply into directory and file names, in one pass: lines
// end with CR LF (the last may not), blanks around a line are dropped, an
// empty line adds nothing, a line ending in "/" is a directory, and "./"
// followed by CR LF names the directory itself and is left out.
void splitRemoteListing(const QString& data, QStringList& dirs, QStringList& files);
