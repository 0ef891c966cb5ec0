#pragma once

#include "host_profiles.h"
#include "profile_file.h"

#include <QHash>
#include <QList>

// What a profile keeps besides its login: its folder pairs, in keys
// "HOST<n>PAIRS" (how many), "HOST<n>PAIR<i>NAME", "HOST<n>PAIR<i>LOCAL" and
// "HOST<n>PAIR<i>REMOTE" (the folders as the bytes of their names), and its
// server clock, "HOST<n>CLOCK" (minutes ahead of UTC; missing or empty:
// found out). A file without them reads as no pairs and a clock to find out.

// For each profile below `count`, the numbers of the pairs the file holds a
// key of, in order: reading costs what the file holds, however many pairs a
// count claims.
QHash<int, QList<int>> folderPairsHeld(const ProfileFile& file, const QByteArray& section,
                                       int count);

// Reads profile n's pairs and clock into `host`. A pair without both of its
// folders, or with a folder longer than kMaxPairFolderBytes, is left out (a
// pair without a name is named after its remote folder); no more than
// kMaxFolderPairs are read. A clock that is not a whole number of minutes
// within kFarthestClockMinutes is found out.
void readPairsAndClock(const ProfileFile& file, const QByteArray& section, int n,
                       const QList<int>& pairsHeld, HostInfo& host);

// Writes them, each key only where the file holds it already or it is not
// what its absence means, so that a file without them is saved unchanged.
// Pairs the file holds beyond the profile's have their values emptied: a
// profile moved into a deleted one's place does not keep its folders.
// `pairsHeld` is what folderPairsHeld() found for profile n before writing.
void writePairsAndClock(ProfileFile& file, const QByteArray& section, int n, const HostInfo& host,
                        const QList<int>& pairsHeld);

// Why the file cannot keep the pair's folders exactly as they are (a line
// break or a NUL in a name, blanks at either end, a name too long); "" when
// it can.
QString unstorablePairReason(const FolderPair& pair);
