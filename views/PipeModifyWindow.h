#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include "data/Records.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRegExpValidator;

// Dialog "管道参数修改": shows and edits the pipe at a monitoring point (shape, H, W, T and the
// sediment layer Y, in millimetres). It validates the entries and hands a point record to the
// main window by signal; the main window stores or writes it.
// A top-level window without parent, not modal. Its child widgets exist only while it is open.
class PipeModifyWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PipeModifyWindow(QWidget *parent = nullptr);

    // Opens the dialog for a point record. Does nothing while it is open. A stored shape
    // outside 0 to 3 opens as "未知形状": no picture, all four rows shown, and nothing can be
    // applied until a real shape is chosen with "上一个" / "下一个".
    void showForPoint(const lmv::PipeSaveIntoTfType &point);

    // True while the dialog's widgets exist (between showForPoint and closing).
    bool isOpen() const { return m_content != nullptr; }

    // The warnings the entries give, in the order they are shown; empty when valid.
    // shape -1 stands for a shape the dialog does not know.
    static QStringList validationMessages(int shape, quint32 h, quint32 w, quint32 t, quint32 y);

    // Shape index of a shape name, -1 for a text that names no shape.
    static int shapeIndexOf(const QString &name);

signals:
    void SendPipeInfo(lmv::PipeSaveIntoTfType pipe);
    void SendPipeInfoForSaving(lmv::PipeSaveIntoTfType pipe);

public slots:
    void on_next_btn_clicked();
    void on_prev_btn_clicked();
    void on_cancel_btn_clicked();
    void on_confirm_btn_clicked(); // "仅修改"
    void on_save_btn_clicked();    // "修改并保存"

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWidgets(const lmv::PipeSaveIntoTfType &point);
    void destroyWidgets();
    // Picture, name and visible rows of a shape index (-1: unknown shape).
    void applyShape(int shape);
    // Shows the warnings of the entries one after another; fills pipe when they are valid.
    bool validate(lmv::PipeSaveIntoTfType &pipe);

    QRegExpValidator *m_validator = nullptr; // lives as long as the dialog

    QWidget *m_content = nullptr; // parent of everything built by showForPoint
    QLabel *m_picture = nullptr;
    QLabel *m_shapeName = nullptr;
    QLabel *m_rowLabels[4] = {};
    QLineEdit *m_edits[4] = {}; // H, W, T, Y
    QPushButton *m_prevButton = nullptr;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_confirmButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
