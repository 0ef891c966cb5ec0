#pragma once

#include <QString>

class Prompter;

// True when `sPW` can be stored scrambled with `sKey`; otherwise tells the
// user which character is in the way and returns false.
bool checkStorablePassword(const QString& sPW, const QString& sKey, Prompter& prompter);
