#pragma once

#include "tools/logger-sim/FaultSet.h"

#include <QString>
#include <QVector>

// Everything the command line sets for one run of the simulator.
struct SimOptions
{
    QString root;
    QString config;         // description file; empty: ROOT/logger.ini
    QString linkPath;       // symbolic link to the slave side; empty: none
    int pageSize = 2048;    // bytes of file data per record-data page
    int listPageSize = 512; // bytes of list content per list page
    QVector<int> listPages; // page numbers of list pages; empty: 0, 1, 2, ...
    int delayMs = 0;        // wait before each reply
    int baud = 0;           // pace replies at this rate; 0: unpaced
    // Numbers of the record-data pages after page 1, used in turn; empty: 2 ... 0xEF.
    QVector<int> dataPages;

    FaultSet drop;    // no reply
    FaultSet corrupt; // reply with a checksum that does not match
    FaultSet split;   // reply in splitChunks pieces, splitPauseMs apart
    int splitChunks = 3;
    int splitPauseMs = 100;
    FaultSet duplicate; // reply, then the same reply again duplicateDelayMs later
    int duplicateDelayMs = 500;
    FaultSet notice; // the link-closed notice instead of the reply
    FaultSet hangup; // close the pseudo-terminal when the request arrives
    FaultSet slow;   // reply slowDelayMs late (a logger busy on these requests only)
    int slowDelayMs = 2300;
    FaultSet garbage; // garbageBytes bytes without an end byte instead of the reply
    int garbageBytes = 4096;

    // A logger working on one request at a time: a request waits until the one before it has been
    // answered. replyDelayMs delays every reply; the -req faults hold later requests back too.
    int replyDelayMs = 0;
    FaultSet slowReq; // slowDelayMs more for these
    FaultSet dupReq;  // the reply twice in a row
    FaultSet dropReq; // no reply, after the time it would have taken
    bool serial() const
    {
        return replyDelayMs > 0 || !slowReq.isEmpty() || !dupReq.isEmpty() || !dropReq.isEmpty();
    }
};

// Parses the command line of the serving mode; false with a message on a bad option.
bool parseSimOptions(const QStringList &arguments, SimOptions *options, QString *error, bool *helpOnly);
// The usage text printed by --help.
QString simUsage();
