#include "app/ShownEntry.h"

namespace lmv {

bool TreeEntryKey::samePoint(const TreeEntryKey &other) const
{
    return projectName == other.projectName && projectPart == other.projectPart &&
           pointName == other.pointName && pointPart == other.pointPart;
}

bool TreeEntryKey::operator==(const TreeEntryKey &other) const
{
    return samePoint(other) && fileName == other.fileName && filePart == other.filePart;
}

void ShownEntry::showPoint(const TreeEntryKey &point, bool rvbForm)
{
    m_kind = rvbForm ? Kind::RvbPoint : Kind::RvaPoint;
    m_key = point.pointKey();
}

void ShownEntry::showFile(const TreeEntryKey &file, std::uint8_t typeCode)
{
    m_kind = typeCode == 5 ? Kind::RvaFile : typeCode == 1 ? Kind::RvbFile : Kind::UnknownFile;
    m_key = file;
}

void ShownEntry::clear()
{
    m_kind = Kind::Nothing;
    m_key = {};
}

EditActions ShownEntry::actions() const
{
    switch (m_kind) {
    case Kind::RvaFile:
        return {true, true};
    case Kind::RvaPoint:
    case Kind::UnknownFile: // its point's pipe can still be set; no factors without a shown file
        return {true, false};
    case Kind::Nothing:
    case Kind::RvbPoint:
    case Kind::RvbFile:
        break;
    }
    return {};
}

QString ShownEntry::parameterTarget() const
{
    return m_kind == Kind::RvaFile ? m_key.filePath() : QString();
}

bool ShownEntry::pipeTarget(TreeEntryKey &point) const
{
    if (!actions().pipe)
        return false;
    point = m_key.pointKey();
    return true;
}

bool ShownEntry::showsFile(const QString &path) const
{
    return !path.isEmpty() && (m_kind == Kind::RvaFile || m_kind == Kind::RvbFile) &&
           m_key.filePath() == path;
}

bool ShownEntry::showsRvaPoint(const TreeEntryKey &point) const
{
    return m_kind == Kind::RvaPoint && m_key.samePoint(point);
}

QString ShownEntry::shownRvaFileOf(const TreeEntryKey &point) const
{
    return m_kind == Kind::RvaFile && m_key.samePoint(point) ? m_key.filePath() : QString();
}

bool ShownEntry::afterRemoval(bool shownEntryRemoved)
{
    const bool rvbShown = m_kind == Kind::RvbPoint || m_kind == Kind::RvbFile;
    if (shownEntryRemoved || !rvbShown) {
        clear();
        return shownEntryRemoved && rvbShown;
    }
    return false;
}

} // namespace lmv
