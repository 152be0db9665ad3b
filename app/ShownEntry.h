#pragma once

#include <QString>

#include <cstdint>

namespace lmv {

// What identifies an entry of the local project tree: the name (column 0) and path part
// (column 1) of its project, of its point and, for a file entry, of the file itself.
struct TreeEntryKey
{
    QString projectName;
    QString projectPart;
    QString pointName;
    QString pointPart;
    QString fileName; // empty for a point entry
    QString filePart; // empty for a point entry

    // Full path of a file entry: the three path parts concatenated.
    QString filePath() const { return projectPart + pointPart + filePart; }
    // The same key without the file: the point the entry belongs to.
    TreeEntryKey pointKey() const { return {projectName, projectPart, pointName, pointPart, {}, {}}; }
    bool samePoint(const TreeEntryKey &other) const;
    bool operator==(const TreeEntryKey &other) const;
};

// Which editing actions the local record view allows.
struct EditActions
{
    bool pipe = false;
    bool parameters = false;
};

// What the local record view shows, kept by the file display dispatch. The editing dialogs act
// on this entry, never on the tree's current item: the current item moves with the keyboard
// without anything being shown, so it may name another file than the one on screen.
class ShownEntry
{
public:
    enum class Kind
    {
        Nothing,     // the views are empty (start, a project shown, a removal, a mode switch)
        RvaPoint,    // point summary in the RVA view
        RvbPoint,    // point summary in the RVB view
        RvaFile,     // an RVA data file (type code 5) in the RVA view
        RvbFile,     // an RVB data file (type code 1) in the RVB view
        UnknownFile, // a file whose type code is neither: nothing is shown
    };

    // A point summary was shown, in the RVB form when the point's type column says "1".
    void showPoint(const TreeEntryKey &point, bool rvbForm);
    // A file was clicked; typeCode is the byte the dispatch read from it.
    void showFile(const TreeEntryKey &file, std::uint8_t typeCode);
    void clear();

    Kind kind() const { return m_kind; }
    const TreeEntryKey &key() const { return m_key; }

    // Enabled state of "重新配置管道(P)" and "修改参数(M)" for what is shown.
    EditActions actions() const;
    // File the parameter dialog edits: the shown RVA file; empty when none is shown.
    QString parameterTarget() const;
    // Point the pipe dialog edits: the shown point or the point of the shown file. False when
    // the pipe cannot be edited for what is shown.
    bool pipeTarget(TreeEntryKey &point) const;

    // True while the view shows that file (by path).
    bool showsFile(const QString &path) const;
    // True while the RVA view shows the summary of that point.
    bool showsRvaPoint(const TreeEntryKey &point) const;
    // Path of the RVA file of that point the view shows; empty when it shows none.
    QString shownRvaFileOf(const TreeEntryKey &point) const;

    // After "移除": the RVA view is always emptied, the RVB view when its entry went. Returns
    // true when the RVB view must be emptied as well; what is left shown stays the target.
    bool afterRemoval(bool shownEntryRemoved);

private:
    Kind m_kind = Kind::Nothing;
    TreeEntryKey m_key;
};

} // namespace lmv
