#include "views/PipeModifyWindow.h"

#include "views/DialogParts.h"

#include "data/Tables.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRegExpValidator>

namespace {

// Names and pictures of the four shapes, indexed by the stored shape value.
const QStringList &shapeNames()
{
    return lmv::PipeShapeNames;
}
const QStringList &shapePictures()
{
    return lmv::PipeShapePictures;
}

constexpr int kShapeCount = 4;
const QString kUnknownShapeName = QStringLiteral("未知形状");

QFont strongFont()
{
    return QFont(QStringLiteral("微软雅黑"), 12, 87);
}

// Reads an entry as an unsigned decimal number; 0 when it does not read as one.
quint32 entryValue(const QLineEdit *edit)
{
    bool ok = false;
    const uint v = edit ? edit->text().toUInt(&ok) : 0;
    return ok ? v : 0;
}

} // namespace

PipeModifyWindow::PipeModifyWindow(QWidget *parent) : QWidget(parent)
{
    m_validator =
        new QRegExpValidator(QRegExp(QStringLiteral("\\d{3}|[1-4]\\d{3}|5000"), Qt::CaseSensitive), this);
    setWindowTitle(QStringLiteral("管道参数修改"));
    setWindowIcon(QIcon(QStringLiteral(":/icon/image/ruler.png")));
    setFixedSize(1000, 610);
}

int PipeModifyWindow::shapeIndexOf(const QString &name)
{
    return shapeNames().indexOf(name);
}

QStringList PipeModifyWindow::validationMessages(int shape, quint32 h, quint32 w, quint32 t, quint32 y)
{
    QStringList messages;
    if (h == 0)
        messages << QStringLiteral("管道高度不应为0");
    else if (h < y)
        messages << QStringLiteral("淤积层溢出");
    if (shape == 2 && w == 0)
        messages << QStringLiteral("管道下底边不应为0");
    if (shape == 2 && t == 0)
        messages << QStringLiteral("管道上底边不应为0");
    if (shape == 3 && w == 0)
        messages << QStringLiteral("管道底边不应为0");
    if (shape == 1 && w == 0)
        messages << QStringLiteral("管道宽度不应为0");
    // A shape the dialog cannot name would be stored as whatever index it happened to get;
    // the user has to pick one of the four first.
    if (shape < 0 || shape >= kShapeCount)
        messages << QStringLiteral("管道形状未知,请先选择管道形状");
    return messages;
}

void PipeModifyWindow::showForPoint(const lmv::PipeSaveIntoTfType &point)
{
    if (isVisible() || isOpen())
        return;
    buildWidgets(point);
    show();
    const int shape = point.pipeShape < kShapeCount ? static_cast<int>(point.pipeShape) : -1;
    applyShape(shape);
    if (shape < 0) {
        m_picture->setAlignment(Qt::AlignCenter);
        m_picture->setText(
            QStringLiteral("管道形状代码 %1 未知\n请用“上一个”或“下一个”选择形状").arg(point.pipeShape));
    }
    connect(m_nextButton, &QPushButton::clicked, this, &PipeModifyWindow::on_next_btn_clicked);
    connect(m_prevButton, &QPushButton::clicked, this, &PipeModifyWindow::on_prev_btn_clicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &PipeModifyWindow::on_cancel_btn_clicked);
    connect(m_confirmButton, &QPushButton::clicked, this, &PipeModifyWindow::on_confirm_btn_clicked);
    connect(m_saveButton, &QPushButton::clicked, this, &PipeModifyWindow::on_save_btn_clicked);
}

void PipeModifyWindow::buildWidgets(const lmv::PipeSaveIntoTfType &point)
{
    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("content"));
    m_content->setGeometry(0, 0, width(), height());

    auto label = [&](const QString &text, const QFont &font, QWidget *parent) {
        auto *l = new QLabel(text, parent);
        l->setFont(font);
        return l;
    };

    QLabel *heading = label(QStringLiteral("管道修改"), dialogFont(), m_content);
    heading->adjustSize();
    heading->move(30, 30);
    const int nameRows[] = {70, 110};
    const QString titles[] = {QStringLiteral("项目名称"), QStringLiteral("监测点名称")};
    const QString names[] = {point.projectNameText(), point.pointNameText()};
    const char *nameObjects[] = {"projectName", "pointName"};
    for (int i = 0; i < 2; ++i) {
        QLabel *title = label(titles[i], dialogFont(), m_content);
        title->setFixedWidth(120);
        title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        title->move(50, nameRows[i]);
        QLabel *name = label(names[i], strongFont(), m_content);
        name->setObjectName(QLatin1String(nameObjects[i]));
        name->setFixedWidth(600);
        name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        name->move(170, nameRows[i]);
    }

    m_picture = new QLabel(m_content);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setFixedSize(300, 200);
    m_picture->move(100, 160);

    auto *strip = new QWidget(m_content);
    strip->move(50, 410);
    strip->setFixedWidth(400);
    auto *stripLayout = new QHBoxLayout(strip);
    m_prevButton = new QPushButton(QStringLiteral("上一个"), strip);
    m_prevButton->setObjectName(QStringLiteral("prev_btn"));
    m_prevButton->setFont(dialogFont());
    m_shapeName = label(QString(), strongFont(), strip);
    m_shapeName->setObjectName(QStringLiteral("shapeName"));
    m_shapeName->setFixedWidth(160);
    m_shapeName->setAlignment(Qt::AlignCenter);
    m_nextButton = new QPushButton(QStringLiteral("下一个"), strip);
    m_nextButton->setObjectName(QStringLiteral("next_btn"));
    m_nextButton->setFont(dialogFont());
    stripLayout->addWidget(m_prevButton);
    stripLayout->addWidget(m_shapeName);
    stripLayout->addWidget(m_nextButton);

    auto *panel = new QWidget(m_content);
    panel->move(540, 160);
    auto *grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(40);
    grid->setVerticalSpacing(40);
    const QString rowTitles[] = {QStringLiteral("H(mm)"), QStringLiteral("W(mm)"), QStringLiteral("T(mm)"),
                                 QStringLiteral("淤积层(mm)")};
    const quint32 values[] = {point.heightOrDiameter, point.widthOrLowerBase, point.upperBase,
                              point.sediment};
    const char *editObjects[] = {"hEdit", "wEdit", "tEdit", "yEdit"};
    for (int row = 0; row < 4; ++row) {
        m_rowLabels[row] = label(rowTitles[row], dialogFont(), panel);
        m_rowLabels[row]->setFixedWidth(100);
        m_rowLabels[row]->setAlignment(Qt::AlignCenter);
        m_edits[row] = new QLineEdit(QString::number(values[row]), panel);
        m_edits[row]->setObjectName(QLatin1String(editObjects[row]));
        m_edits[row]->setFont(dialogFont());
        m_edits[row]->setFixedWidth(150);
        m_edits[row]->setAlignment(Qt::AlignCenter);
        m_edits[row]->setValidator(m_validator);
        grid->addWidget(m_rowLabels[row], row, 0);
        grid->addWidget(m_edits[row], row, 1);
    }
    panel->adjustSize();

    m_saveButton = makeDialogButton(QStringLiteral("修改并保存"), "save_btn", 500, 510, m_content);
    m_confirmButton = makeDialogButton(QStringLiteral("仅修改"), "confirm_btn", 650, 510, m_content);
    m_cancelButton = makeDialogButton(QStringLiteral("取 消"), "cancel_btn", 800, 510, m_content);
    m_content->show();
}

void PipeModifyWindow::applyShape(int shape)
{
    if (!m_content)
        return;
    const bool known = shape >= 0 && shape < kShapeCount;
    m_shapeName->setText(known ? shapeNames().at(shape) : kUnknownShapeName);
    if (known)
        m_picture->setPixmap(QPixmap(shapePictures().at(shape)));
    else
        m_picture->clear();
    m_rowLabels[0]->setText(shape == 0 ? QStringLiteral("D(mm)") : QStringLiteral("H(mm)"));
    // Row 0 and the sediment row always; W for all but the circle; T for the trapezoid only.
    // An unknown shape shows every row, so that no stored number is hidden.
    const bool showW = shape != 0;
    const bool showT = shape == 2 || !known;
    m_rowLabels[1]->setVisible(showW);
    m_edits[1]->setVisible(showW);
    m_rowLabels[2]->setVisible(showT);
    m_edits[2]->setVisible(showT);
}

void PipeModifyWindow::on_next_btn_clicked()
{
    if (!m_shapeName)
        return;
    const int i = shapeIndexOf(m_shapeName->text());
    // From the unknown shape, stepping starts at the first (or, backwards, the last) shape.
    applyShape(i < 0 ? 0 : (i + 1) % kShapeCount);
}

void PipeModifyWindow::on_prev_btn_clicked()
{
    if (!m_shapeName)
        return;
    const int i = shapeIndexOf(m_shapeName->text());
    applyShape(i <= 0 ? kShapeCount - 1 : i - 1);
}

bool PipeModifyWindow::validate(lmv::PipeSaveIntoTfType &pipe)
{
    const int shape = shapeIndexOf(m_shapeName->text());
    const quint32 h = entryValue(m_edits[0]);
    const quint32 w = entryValue(m_edits[1]);
    const quint32 t = entryValue(m_edits[2]);
    const quint32 y = entryValue(m_edits[3]);
    const QStringList messages = validationMessages(shape, h, w, t, y);
    for (const QString &message : messages)
        QMessageBox::warning(this, QStringLiteral("管道设置错误"), message, QMessageBox::Ok);
    if (!messages.isEmpty())
        return false;
    pipe = lmv::PipeSaveIntoTfType();
    pipe.pipeShape = static_cast<quint32>(shape);
    pipe.heightOrDiameter = h;
    pipe.widthOrLowerBase = w;
    pipe.upperBase = t;
    pipe.sediment = y;
    return true;
}

void PipeModifyWindow::on_confirm_btn_clicked()
{
    if (!m_content)
        return;
    lmv::PipeSaveIntoTfType pipe;
    if (!validate(pipe))
        return;
    emit SendPipeInfo(pipe);
    close();
}

void PipeModifyWindow::on_save_btn_clicked()
{
    if (!m_content)
        return;
    lmv::PipeSaveIntoTfType pipe;
    if (!validate(pipe))
        return;
    emit SendPipeInfoForSaving(pipe);
    close();
}

void PipeModifyWindow::on_cancel_btn_clicked()
{
    close();
}

void PipeModifyWindow::destroyWidgets()
{
    if (!m_content)
        return;
    // A button's clicked() may still be on the stack: detach now, delete later.
    m_content->hide();
    m_content->setParent(nullptr);
    m_content->deleteLater();
    m_content = nullptr;
    m_picture = m_shapeName = nullptr;
    for (int i = 0; i < 4; ++i) {
        m_rowLabels[i] = nullptr;
        m_edits[i] = nullptr;
    }
    m_prevButton = m_nextButton = m_saveButton = m_confirmButton = m_cancelButton = nullptr;
}

void PipeModifyWindow::closeEvent(QCloseEvent *event)
{
    destroyWidgets();
    event->accept();
}
