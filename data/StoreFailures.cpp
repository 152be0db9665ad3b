#include "data/StoreFailures.h"

namespace lmv {

QString StoreFailureList::reportTitle()
{
    return QStringLiteral("部分文件未写入");
}

QString StoreFailureList::reportText(int maxLines) const
{
    QString text = QStringLiteral("以下%1个文件未写入:").arg(m_items.size());
    const int shown = qMin(qMax(maxLines, 0), m_items.size());
    for (int i = 0; i < shown; ++i)
        text += QLatin1Char('\n') + m_items[i].path + QStringLiteral(": ") + m_items[i].reason;
    if (shown < m_items.size())
        text += QStringLiteral("\n另有%1个文件未写入").arg(m_items.size() - shown);
    return text;
}

namespace StoreReason {
QString sourceUnreadable()
{
    return QStringLiteral("源文件无法读取");
}
QString targetExists()
{
    return QStringLiteral("目标文件已存在,未覆盖");
}
QString targetUnwritable()
{
    return QStringLiteral("目标文件无法写入");
}
QString directoryUnavailable()
{
    return QStringLiteral("文件夹无法创建");
}
QString notDataFile(int typeCode)
{
    return QStringLiteral("不是可转换的数据文件(设备类型码%1)").arg(typeCode);
}
QString notLmvName()
{
    return QStringLiteral("文件名不以lmv结尾,未转换");
}
QString indexUnwritable()
{
    return QStringLiteral("索引文件无法写入");
}
QString indexLineTooLong()
{
    return QStringLiteral("索引行超过127字节,打开项目时不会列出");
}
} // namespace StoreReason

} // namespace lmv
