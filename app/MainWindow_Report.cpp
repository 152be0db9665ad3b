#include "app/MainWindow.h"

#include "app/ReportDialogs.h"
#include "report/ModelExportJob.h"
#include "report/SurveyReport.h"
#include "survey/GaugeStore.h"
#include "survey/PointSurvey.h"
#include "survey/ProjectDb.h"
#include "views/ScatterCurveStore.h"
#include "views/SurveyWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>

// "生成报告" of the shown point (survey window) and of a project (file menu), and "导出模型数据"
// of the shown point. The report is written in this thread in steps; the progress dialog's
// events are processed between them so its cancel button works.

namespace {

QString withSuffix(const QString &path, const QString &suffix)
{
    return QFileInfo(path).suffix().isEmpty() ? path + QLatin1Char('.') + suffix : path;
}

} // namespace

void MainWindow::setupReportActions()
{
    // Beside the survey window's period: the report covers the period shown.
    auto *periodBar = survey_window->wholePeriodButton->parentWidget()->layout();
    survey_report_button = new QPushButton(QStringLiteral("生成报告"), survey_window);
    model_export_button = new QPushButton(QStringLiteral("导出模型数据"), survey_window);
    periodBar->addWidget(survey_report_button);
    periodBar->addWidget(model_export_button);
    connect(survey_report_button, &QPushButton::clicked, this, &MainWindow::makePointReport);
    connect(model_export_button, &QPushButton::clicked, this, &MainWindow::exportModelData);

    project_report_action = new QAction(QStringLiteral("生成项目报告(R)..."), this);
    file_menu->insertAction(file_menu->actions().value(3), project_report_action);
    connect(project_report_action, &QAction::triggered, this, &MainWindow::makeProjectReport);

    askReportPeriod = [this](const QString &project, qint64 first,
                             qint64 last) -> std::optional<lmv::survey::SurveyPeriod> {
        ReportPeriodDialog dialog(project, first, last, this);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.period();
    };
    askModelExport = [this](const QString &point,
                            const QStringList &gauges) -> std::optional<lmv::report::ModelExportChoice> {
        ModelExportDialog dialog(point, gauges, this);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.choice();
    };
    tellReport = [this](const QString &title, const QString &text) {
        QMessageBox::warning(this, title, text);
    };
}

void MainWindow::makePointReport()
{
    const lmv::SurveyContent &content = survey_window->content();
    if (!content.loaded())
        return;
    lmv::report::SurveyReportRequest request;
    request.project = {content.target().indexPath, content.target().project, {content.target().point}, true};
    request.indexPath = content.target().indexPath;
    request.points = QStringList{content.target().point.name};
    request.period = content.period();
    request.layer = content.shownChoice(); // the layer the window shows: edited, or raw when switched
    writeReport(request, QStringLiteral("生成报告 - %1").arg(content.target().point.name));
}

void MainWindow::makeProjectReport()
{
    QTreeWidgetItem *item = PrjTree->currentItem();
    while (item && item->parent())
        item = item->parent();
    if (!item) {
        tellReport(QStringLiteral("生成报告"), QStringLiteral("请先在项目列表中选择一个项目"));
        return;
    }
    lmv::report::SurveyReportRequest request;
    request.project = projectFilesOf(item);
    request.indexPath = request.project.indexPath;
    const std::optional<lmv::survey::SurveyPeriod> period = askReportPeriod(
        request.project.name, survey_window->content().firstTime(), survey_window->content().lastTime());
    if (!period)
        return;
    request.period = *period;
    writeReport(request, QStringLiteral("生成报告 - %1").arg(request.project.name));
}

bool MainWindow::writeReport(lmv::report::SurveyReportRequest request, const QString &title)
{
    const QString asked = askPath({PathQuestion::Kind::Save, title, QStringLiteral("PDF (*.pdf)")});
    if (asked.isEmpty())
        return false;
    const QString path = withSuffix(asked, QStringLiteral("pdf"));
    const QString project = request.project.name;
    request.version = QCoreApplication::applicationVersion().isEmpty()
                          ? QStringLiteral(LMV_VERSION_TEXT)
                          : QCoreApplication::applicationVersion();
    request.curveInput = [project](const QString &point) { return loadCurveInput(project, point); };
    QProgressDialog progress(QStringLiteral("正在生成报告..."), QStringLiteral("取消"), 0, 100, this);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    lmv::report::SurveyReportCallbacks callbacks;
    callbacks.progress = [&progress](int percent, const QString &stage) {
        progress.setLabelText(stage);
        progress.setValue(std::min(percent, 99));
        QCoreApplication::processEvents();
    };
    callbacks.cancelled = [&progress] { return progress.wasCanceled(); };
    const lmv::report::SurveyReportResult result = lmv::report::writeSurveyReport(request, path, callbacks);
    progress.reset();
    switch (result.outcome) {
    case lmv::report::WriteOutcome::Written:
        status_label->setText(QStringLiteral("报告已写入 %1 (%2 页)").arg(path).arg(result.pages));
        return true;
    case lmv::report::WriteOutcome::Cancelled:
        status_label->setText(QStringLiteral("报告已取消, 未写入文件"));
        return false;
    case lmv::report::WriteOutcome::Failed:
        break;
    }
    tellReport(title, QStringLiteral("报告未能生成: %1").arg(result.error));
    return false;
}

void MainWindow::exportModelData()
{
    const lmv::SurveyContent &content = survey_window->content();
    if (!content.loaded())
        return;
    const QString title = QStringLiteral("导出模型数据 - %1").arg(content.target().point.name);
    const lmv::survey::ProjectDb db(lmv::survey::ProjectDb::pathFor(content.target().indexPath));
    QStringList gauges;
    for (const lmv::survey::GaugeInfo &g : lmv::survey::projectGauges(db))
        gauges << g.name;
    const std::optional<lmv::report::ModelExportChoice> choice =
        askModelExport(content.target().point.name, gauges);
    if (!choice)
        return;
    const QString path =
        askPath({PathQuestion::Kind::Save, title, lmv::report::modelFormatFilter(choice->format)});
    if (path.isEmpty())
        return;
    const lmv::survey::ProjectFiles project{
        content.target().indexPath, content.target().project, {content.target().point}, true};
    const lmv::survey::PointSurvey point = lmv::survey::PointSurvey::read(
        project, content.target().point.name, content.period(), content.shownChoice(), &db);
    QString error;
    const QByteArray bytes = lmv::report::pointModelFile(point, db, *choice, &error);
    if (bytes.isEmpty() || !lmv::report::writeModelFile(path, bytes, &error)) {
        tellReport(title, QStringLiteral("未能导出: %1").arg(error));
        return;
    }
    status_label->setText(QStringLiteral("模型数据已写入 %1").arg(path));
}
