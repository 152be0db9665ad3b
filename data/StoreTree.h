#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace lmv {

// Plain copy of a three-level check tree (projects, points, files) as the saving and conversion
// logic needs it. The main window fills it from the device tree or the local project tree, so the
// logic below never touches a widget. Check states: 0 unchecked, 1 partly checked, 2 checked.

struct StoreFileNode
{
    QString name; // column 0: file name
    int checkState = 0;
    QString column1;   // device tree: size in bytes as decimal text; local tree: path part
    QString cachePath; // device tree column 7: cache path, empty when not cached
};

struct StorePointNode
{
    QString name;
    int checkState = 0;
    QString column1; // local tree: path part
    QVector<StoreFileNode> files;
};

struct StoreProjectNode
{
    QString name;
    int checkState = 0;
    QString column1; // local tree: path part
    QVector<StorePointNode> points;
};

using StoreTree = QVector<StoreProjectNode>;

// What a save writes: 0 data file, 1 tab-separated text, 2 CSV. Stored in the main window as an
// 8-bit value that the download flow reads when a queued file has arrived.
enum class SaveFormat : quint8
{
    DataFile = 0,
    Text = 1,
    Csv = 2,
};

// Extension of the save dialog's filter for a format: ".lmv", ".txt" or ".csv".
QString saveExtension(SaveFormat format);

// Store directory for the name chosen in a save dialog, ending in "/". The extension of the
// format is dropped only when the chosen name really ends with it (compared without regard to
// case); a name chosen without it keeps all its characters.
QString saveRootFor(const QString &chosenName, SaveFormat format);

// True when any project, point or file of the tree has a check state other than 0.
bool anyStoreEntryChecked(const StoreTree &tree);

} // namespace lmv
