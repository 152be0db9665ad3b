#include "tools/logger-sim/LoggerStore.h"

#include "data/Tables.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMap>

namespace {

constexpr int kRvaDeviceHeaderBytes = 188;
constexpr int kCacheInsertBytes = 324;
constexpr int kHeaderBytes = 512;
constexpr int kRvbRecordBytes = 100;
constexpr char kConfigName[] = "logger.ini";

struct Config
{
    QMap<QString, QMap<QString, QString>> sections; // section -> key -> value
};

// Reads "[section]" and "key = value" lines; "#" and ";" start comment lines.
bool readConfig(const QString &path, Config *config, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    QString section;
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            config->sections[section];
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            *error = QStringLiteral("%1:%2: expected key = value").arg(path).arg(lineNo);
            return false;
        }
        config->sections[section][line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
    }
    return true;
}

quint32 number(const QMap<QString, QString> &keys, const char *key)
{
    // Negative values are sent as their 32-bit pattern (shape -1 is 0xFFFFFFFF).
    const QString text = keys.value(QString::fromLatin1(key));
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? quint32(value) : text.toUInt();
}

QStringList sortedEntries(const QString &dir, QDir::Filters filters)
{
    return QDir(dir).entryList(filters | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

QByteArray percentDecode(const QByteArray &text)
{
    QByteArray out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            bool ok = false;
            const int value = text.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out.append(static_cast<char>(value));
                i += 2;
                continue;
            }
        }
        out.append(text[i]);
    }
    return out;
}

bool LoggerStore::load(const QString &root, const QString &configPath, QString *error)
{
    const QString cfgPath =
        configPath.isEmpty() ? QDir(root).filePath(QString::fromLatin1(kConfigName)) : configPath;
    Config config;
    if (!readConfig(cfgPath, &config, error))
        return false;
    if (!QDir(root).exists()) {
        *error = QStringLiteral("no such folder: %1").arg(root);
        return false;
    }

    const auto device = config.sections.value(QStringLiteral("device"));
    info_ = lmv::DeviceInfo();
    info_.typeCode = static_cast<quint8>(number(device, "type"));
    info_.deviceNumber = number(device, "number");
    const QStringList version =
        device.value(QStringLiteral("version")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < version.size() && i < 5; ++i)
        info_.versionBytes[static_cast<std::size_t>(i)] = static_cast<quint8>(version[i].toUInt());
    info_.protocolVersion = device.value(QStringLiteral("protocol")).toFloat();
    if (info_.typeCode == 0) {
        *error = QStringLiteral("%1: [device] needs a type").arg(cfgPath);
        return false;
    }

    const auto names = config.sections.value(QStringLiteral("names"));
    auto deviceName = [&](const QString &diskRelPath, const QString &diskName) {
        const auto it = names.constFind(diskRelPath);
        if (it != names.constEnd())
            return percentDecode(it.value().toUtf8());
        return lmv::toGb2312(diskName);
    };

    projects_.clear();
    for (const QString &prj : sortedEntries(root, QDir::Dirs)) {
        Project project;
        project.name = deviceName(prj, prj);
        const QString prjDir = QDir(root).filePath(prj);
        for (const QString &pos : sortedEntries(prjDir, QDir::Dirs)) {
            Point point;
            const QString rel = prj + QLatin1Char('/') + pos;
            point.name = deviceName(rel, pos);
            const auto pipe = config.sections.value(QStringLiteral("point ") + rel);
            point.pipeShape = number(pipe, "shape");
            point.heightOrDiameter = number(pipe, "height");
            point.widthOrLowerBase = number(pipe, "width");
            point.upperBase = number(pipe, "upper");
            point.sediment = number(pipe, "sediment");
            const QString posDir = QDir(prjDir).filePath(pos);
            for (const QString &fileName : sortedEntries(posDir, QDir::Files)) {
                File file;
                file.name = deviceName(rel + QLatin1Char('/') + fileName, fileName);
                file.diskPath = QDir(posDir).filePath(fileName);
                file.size = static_cast<quint32>(QFileInfo(file.diskPath).size());
                point.files.append(file);
            }
            project.points.append(point);
        }
        projects_.append(project);
    }
    return true;
}

const LoggerStore::Project *LoggerStore::findProject(const QByteArray &path) const
{
    for (const Project &project : projects_) {
        if (path == "0:/" + project.name)
            return &project;
    }
    return nullptr;
}

const LoggerStore::Point *LoggerStore::findPoint(const QByteArray &path, const Project **owner) const
{
    for (const Project &project : projects_) {
        for (const Point &point : project.points) {
            if (path == "0:/" + project.name + '/' + point.name) {
                if (owner)
                    *owner = &project;
                return &point;
            }
        }
    }
    return nullptr;
}

const LoggerStore::File *LoggerStore::findFile(const QByteArray &path) const
{
    for (const Project &project : projects_) {
        for (const Point &point : project.points) {
            for (const File &file : point.files) {
                if (path == "0:/" + project.name + '/' + point.name + '/' + file.name)
                    return &file;
            }
        }
    }
    return nullptr;
}

QByteArray LoggerStore::pointRecord(const Project &project, const Point &point)
{
    lmv::PipeSaveIntoTfType record;
    // The raw device names go in as they are (shortened to the 32-byte fields).
    std::memcpy(record.projectName.data(), project.name.constData(),
                static_cast<std::size_t>(qMin<int>(project.name.size(), lmv::kNameMaxBytes)));
    std::memcpy(record.pointName.data(), point.name.constData(),
                static_cast<std::size_t>(qMin<int>(point.name.size(), lmv::kNameMaxBytes)));
    record.pipeShape = point.pipeShape;
    record.heightOrDiameter = point.heightOrDiameter;
    record.widthOrLowerBase = point.widthOrLowerBase;
    record.upperBase = point.upperBase;
    record.sediment = point.sediment;
    return record.toBytes();
}

QByteArray LoggerStore::rvaDeviceStream(const QByteArray &fileBytes)
{
    QByteArray out = fileBytes.left(kRvaDeviceHeaderBytes);
    if (fileBytes.size() > kRvaDeviceHeaderBytes + kCacheInsertBytes)
        out.append(fileBytes.mid(kRvaDeviceHeaderBytes + kCacheInsertBytes));
    return out;
}

std::array<quint32, 31> LoggerStore::nodeTable(const QByteArray &fileBytes)
{
    std::array<quint32, 31> nodes{};
    const lmv::ByteReader in(fileBytes);
    for (qint64 at = kHeaderBytes; at + kRvbRecordBytes <= fileBytes.size(); at += kRvbRecordBytes) {
        const lmv::RecordTime t = lmv::secondsToRecordTime(in.u32le(static_cast<std::size_t>(at)));
        if (t.day < 1 || t.day > 31)
            continue;
        quint32 &node = nodes[t.day - 1u];
        if (node == 0)
            node = static_cast<quint32>(at);
    }
    return nodes;
}

QByteArray LoggerStore::rvbRangeStream(const QByteArray &fileBytes, quint32 start, quint32 end)
{
    QByteArray out = fileBytes.left(kHeaderBytes);
    const qint64 from = qMax<qint64>(start, kHeaderBytes);
    const qint64 to = qMin<qint64>(end, fileBytes.size());
    if (to > from)
        out.append(fileBytes.mid(static_cast<int>(from), static_cast<int>(to - from)));
    return out;
}
