#pragma once

// The program holds passwords (typed, from a URL, from the settings file and
// the keyring): no core file may keep them. Turns core files off (a limit of
// 0 that the program cannot raise again) and makes the process not dumpable,
// which also keeps other processes of the same user from reading its memory
// through ptrace or /proc. False when either could not be done.
bool forbidCoreDumps();
