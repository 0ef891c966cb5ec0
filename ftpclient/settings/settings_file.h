#pragma once

#include "host_profiles.h"
#include "profile_file.h"
#include "settings_location.h"
#include "settings_window.h"

#include <QString>

// Everything the client remembers between runs lives in section "TARLEN" of
// its settings file: the main window's state and geometry, the sizes of the
// two pane frames, the local directory and the host profiles with their
// passwords scrambled by `sKey`, their protocol and their SFTP key file.

// Applies the stored window settings to `window` and fills `profiles`. Missing
// keys take their defaults (no file at all: design sizes, the program's
// user's home folder, one profile "Anonymous" over FTP with TLS when the server offers
// it). A value that cannot be applied is skipped and loading goes on with the
// next key:
//  - a number that is not within -32768 .. 32767 counts as missing;
//  - a window height or width, or a frame size, of 0 or less keeps the
//    design size; a window state other than 0, 1 or 2 keeps the current one;
//  - a "PATH" the window cannot show (gone, unreadable, empty) gives the
//    user's home folder (the program's directory when that cannot be shown
//    either);
//  - a "NUMHOSTS" below 0 gives no profiles;
//  - a "HOST" outside the profiles selects none: iCurHost is -1;
//  - a profile's missing "PROTOCOL" is plain FTP (what every profile was
//    before there was a choice), one this version does not know is FTP with
//    TLS required, never plain FTP;
//  - a "PARALLEL" outside 1 .. 10 or an "EXISTINGFILES" outside 0 .. 2
//    keeps the default (2 at once; ask);
//  - a profile whose "KEYRING" is 1 keeps its password in the desktop's
//    keyring: whatever its "PW" holds is not read;
//  - a profile's folder pairs and server clock are read as profile_pairs.h
//    says: what is sound of them, at a cost of what the file holds.
void LoadSettings(SettingsWindow& window, HostProfiles& profiles, const QString& sKey,
                  const QString& filePath = settingsFilePath());
// The same from a file read already. Profiles the file holds no key of cost
// no lookup each, however many "NUMHOSTS" claims.
void LoadSettings(SettingsWindow& window, HostProfiles& profiles, const QString& sKey,
                  const ProfileFile& file);

// Writes every key from `window` and `profiles`; keys of the file it does not
// write (profiles beyond iNumHosts among them) stay. A profile's "PROTOCOL",
// "KEYFILE" and "KEYRING" are written only when the file holds them already
// or they differ from what their absence means (plain FTP, no key file, the
// password in the file), so a file without them is saved unchanged when
// nothing changed; "PARALLEL" and "EXISTINGFILES" likewise, and a profile's
// folder pairs and clock. A profile whose
// password is in the keyring gets an empty "PW". A password that cannot be
// stored scrambled (see unstorablePWChar()) is written empty; the
// other keys of that profile and all other profiles are written as usual.
// Returns false when the file could not be replaced (the old one then stays
// whole).
bool SaveSettings(const SettingsWindow& window, const HostProfiles& profiles, const QString& sKey,
                  const QString& filePath = settingsFilePath());
