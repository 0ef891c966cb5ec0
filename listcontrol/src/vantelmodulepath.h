#pragma once

#include <QString>

// The canonical path of libvantel.so as it is loaded in this process.
QString vantelModulePath();
