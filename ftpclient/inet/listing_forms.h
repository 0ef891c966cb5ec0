#pragma once

// The line forms of a LIST reply, one parser each; parseListLine() in
// ftp_listing.cpp tries them in turn. Each yields an entry only for a line
// that fits its form completely.

#include "ftp_listing.h"

// The entry with its time, written from the start of `first` to the end of
// `last` (both in the entry's line) in `form`.
inline std::optional<FtpListEntry> timed(std::optional<FtpListEntry> entry, QByteArrayView first,
                                         QByteArrayView last, ListedTimeForm form) {
    if (entry)
        entry->time = {QByteArrayView(first.data(), last.data() + last.size()), form};
    return entry;
}

// unix "ls -l" in its many variants, and NetWare ("d [RWCEAFMS] owner ..."),
// read in two ways, the first tried first: ls's own form alone, quickly
// (nothing for any other), and every variant by searching for the date.
// Where the first gives an entry, the second gives the same. readLsLine()
// is parseLsLine() filling the caller's entry, false for no entry.
std::optional<FtpListEntry> parseLsLine(QByteArrayView line);
bool readLsLine(QByteArrayView line, FtpListEntry& entry);
std::optional<FtpListEntry> parseUnixFields(QByteArrayView line);
// DOS / IIS: "07-09-23  06:02PM  <DIR>  name", "2023-07-09  18:02  1,234 name".
std::optional<FtpListEntry> parseDosLine(QByteArrayView line);
// OS/2: "1234  A  07-09-23  18:02  name", "0  DIR  07-09-23  18:02  name".
std::optional<FtpListEntry> parseOs2Line(QByteArrayView line);
// EPLF: "+i8.9,m1688925720,/,\tname", "+r,s1234,\tname".
std::optional<FtpListEntry> parseEplfLine(QByteArrayView line);
// VMS: "NAME.EXT;1  2/4  9-JUL-2023 18:02:33  [GROUP,OWNER]  (RWED,RWED,RE,)".
std::optional<FtpListEntry> parseVmsLine(QByteArrayView line);
// Whether a line is a VMS name alone, whose details follow on the next line.
bool isVmsNameAlone(QByteArrayView line);
// MVS / z/OS: data sets, "Migrated" and "Pseudo Directory" lines, and the
// members of a partitioned data set.
std::optional<FtpListEntry> parseMvsLine(QByteArrayView line);
// AS/400: "OWNER  1234 07/09/23 18:02:33 *STMF  name", "*DIR  name/".
std::optional<FtpListEntry> parseAs400Line(QByteArrayView line);
// Old VShell: "206876  Apr 04, 2000 21:06 name", "0  Dec 12, 2002 02:13 dir/".
std::optional<FtpListEntry> parseVShellLine(QByteArrayView line);
// Nortel's WfFTP: "name  1014196  06/03/04  Thur.  10:20:03".
std::optional<FtpListEntry> parseWfFtpLine(QByteArrayView line);
// VxWorks: "2048  Feb-28-1998  05:23:30  name <DIR>", files without "<DIR>".
std::optional<FtpListEntry> parseVxWorksLine(QByteArrayView line);
// Microware OS-9: "20.20 07/03/29 1026 d-ewrewr 2650 85920 name", owner,
// date, time, attributes, sector, size.
std::optional<FtpListEntry> parseOs9Line(QByteArrayView line);

// An MLSD fact line of type "cdir" or "pdir".
bool isMlsdDirectoryItself(QByteArrayView line);

// Lines that carry no entry but belong to a listing: "total 20", the
// headings of VMS and MVS listings.
bool isListingHeading(QByteArrayView line);
