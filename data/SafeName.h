#pragma once

// Local names for what a logger lists. Project, point and file names come from the device and may
// hold anything; every path built from them on this computer (the download cache, store folders,
// data files, index files, text and CSV exports) takes each name through safeLocalName(). Requests
// to the device keep the device's own name.

#include <QString>

namespace lmv {

// Turns one device name into one safe path component.
//
// Rule: '%' becomes "%25"; '/', '\\', the characters a Windows file system refuses (':', '*', '?',
// '"', '<', '>', '|'), every control character (below 0x20, and 0x7F) including a zero byte become
// '%' and two upper-case hex digits of their code; a dot that belongs to a run of two or more dots,
// and the dots of a name made only of dots, become "%2E"; a trailing dot or space becomes "%2E" /
// "%20". The empty name becomes "%". Every other character stays, so ordinary names (Chinese text
// included) are unchanged. Since '%' itself is escaped, two different names never give the same
// result.
QString safeLocalName(const QString &deviceName);

} // namespace lmv
