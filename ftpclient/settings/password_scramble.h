#pragma once

#include <QString>

#include <optional>

// Passwords are stored in the settings file shifted, character by character,
// by the weights of a key: character i of the text by the weight of key
// position ((i - 1) mod K) + 1, where the weight of position j is the code of
// the key's j-th character plus j. This keeps them from showing in the clear;
// it is not a cipher.
//
// Codes are those of the single-byte character set of the file (Latin-1).
// Only the first 256 characters of a key count.

// The scrambled text, as long as `sPW`; nothing when a character has no
// single-byte code or would be shifted beyond 255 (see unstorablePWChar()).
std::optional<QString> ScramblePW(const QString& sPW, const QString& sKey);

// The password for a stored text: each code minus its weight, taken as a
// positive difference.
QString UnscramblePW(const QString& sStored, const QString& sKey);

// The position (from 0) of the first character of `sPW` that cannot be stored
// scrambled in one byte, or -1 when every character can.
qsizetype unstorablePWChar(const QString& sPW, const QString& sKey);
