#pragma once

#include "data/Records.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>

// A logger's directory served from a folder on disk:
//   ROOT/<project>/<point>/<file>
// with the device record and each point's pipe taken from a small description file
// (see README.md). Names on disk are UTF-8; the device speaks GB2312, and the description
// file may give any entry another name on the device (with %XX escapes).
class LoggerStore
{
public:
    struct File
    {
        QByteArray name; // device name, GB2312
        QString diskPath;
        quint32 size = 0; // size as listed: the data file's size on disk
    };
    struct Point
    {
        QByteArray name;
        quint32 pipeShape = 0;
        quint32 heightOrDiameter = 0;
        quint32 widthOrLowerBase = 0;
        quint32 upperBase = 0;
        quint32 sediment = 0;
        QVector<File> files;
    };
    struct Project
    {
        QByteArray name;
        QVector<Point> points;
    };

    // Reads the description file and walks the folder; false with a message on failure.
    bool load(const QString &root, const QString &configPath, QString *error);

    const lmv::DeviceInfo &deviceInfo() const { return info_; }
    void setDeviceNumber(quint32 number) { info_.deviceNumber = number; }
    bool isRva() const { return info_.typeCode == lmv::kTypeCodeRva; }
    const QVector<Project> &projects() const { return projects_; }

    // Lookups by the device path the host sends ("0:/" + names joined by "/"), GB2312 bytes.
    const Project *findProject(const QByteArray &path) const;
    const Point *findPoint(const QByteArray &path, const Project **project = nullptr) const;
    const File *findFile(const QByteArray &path) const;

    // The 88-byte point record of a group RVA position list.
    static QByteArray pointRecord(const Project &project, const Point &point);
    // The bytes an RVA logger sends for a data file: its first 188 header bytes and then
    // the records; the 324 bytes behind them are added only by the host's cache.
    static QByteArray rvaDeviceStream(const QByteArray &fileBytes);
    // Start address of each day's records (day 1 first), 0 for days without records.
    // Records are taken in file order; a day's first record gives its address.
    static std::array<quint32, 31> nodeTable(const QByteArray &fileBytes);
    // What an RVB logger sends for a day range: the 512-byte header, then bytes [start, end).
    static QByteArray rvbRangeStream(const QByteArray &fileBytes, quint32 start, quint32 end);

private:
    lmv::DeviceInfo info_;
    QVector<Project> projects_;
};

// Decodes %XX escapes of the description file (any byte, NUL and "/" included).
QByteArray percentDecode(const QByteArray &text);
