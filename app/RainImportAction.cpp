#include "app/RainImportAction.h"

#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"

#include <QFile>
#include <QFileInfo>

namespace lmv {

QString RainImportTarget::problem() const
{
    if (indexPath.isEmpty())
        return QStringLiteral(
                   "项目 %1 是由单个数据文件打开的，没有项目索引文件，无法保存雨量计。请用“打开项目”打开其 "
                   ".lmvprj 文件。")
            .arg(project);
    return QString();
}

bool readRainFile(const QString &path, QByteArray &bytes, QString *why)
{
    const QFileInfo info(path);
    QString problem;
    if (!info.exists())
        problem = QStringLiteral("文件不存在");
    else if (!info.isFile())
        problem = QStringLiteral("不是普通文件");
    else if (info.size() > kMaxRainFileBytes)
        problem = QStringLiteral("文件大于 %1 MB，不是雨量计数据").arg(kMaxRainFileBytes >> 20);
    QFile file(path);
    if (problem.isEmpty() && !file.open(QIODevice::ReadOnly))
        problem = file.errorString();
    if (problem.isEmpty()) {
        bytes = file.read(kMaxRainFileBytes + 1);
        if (bytes.size() > kMaxRainFileBytes)
            problem = QStringLiteral("文件大于 %1 MB，不是雨量计数据").arg(kMaxRainFileBytes >> 20);
    }
    if (!problem.isEmpty()) {
        bytes.clear();
        if (why)
            *why = QStringLiteral("无法读取 %1：%2").arg(path, problem);
        return false;
    }
    return true;
}

RainImportOutcome storeRainImport(const RainImportRequest &request, const RainImportTarget &target)
{
    RainImportOutcome outcome;
    auto refuse = [&](const QString &why) {
        outcome.message = QStringLiteral("未导入雨量计数据：%1").arg(why);
        return outcome;
    };
    if (const QString problem = target.problem(); !problem.isEmpty())
        return refuse(problem);
    if (request.result.refused())
        return refuse(request.result.error);
    const QString name = request.gauge.trimmed();
    if (const QString problem = survey::gaugeNameProblem(name); !problem.isEmpty())
        return refuse(problem);
    for (const QString &point : request.points)
        if (!target.points.contains(point))
            return refuse(QStringLiteral("项目中没有监测点 %1").arg(point));

    survey::ProjectDb db(survey::ProjectDb::pathFor(target.indexPath));
    if (survey::gaugeNamed(db, name))
        return refuse(QStringLiteral("项目中已有名为 %1 的雨量计").arg(name));
    survey::GaugeImport gauge;
    gauge.name = name;
    gauge.bucketMm = request.bucketMm;
    gauge.sourceName = request.fileName;
    gauge.sourceSha256 = survey::gaugeSourceSha256(request.bytes);
    gauge.points = request.points;
    QString error;
    if (!survey::importGauge(db, gauge, request.result.series, &error))
        return refuse(error);

    outcome.stored = true;
    const qsizetype bad = qsizetype(request.result.badRows.size());
    outcome.message = QStringLiteral("雨量计 %1 已导入：读入 %2 行").arg(name).arg(request.result.rowsRead);
    if (bad > 0)
        outcome.message += QStringLiteral("，无法读取 %1 行").arg(bad);
    outcome.message += request.points.isEmpty()
                           ? QStringLiteral("，尚未指定给监测点")
                           : QStringLiteral("，指定给 %1").arg(request.points.join(QStringLiteral("、")));
    return outcome;
}

} // namespace lmv
