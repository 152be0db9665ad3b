#pragma once

#include <QString>
#include <QWidget>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRegExpValidator;

// Dialog "计算参数修改": edits the velocity and flow correction factors of one RVA file.
// It only collects and validates the two numbers; the main window applies them.
// A top-level window without parent, not modal. Its child widgets exist only while it is open.
class ParameterModify : public QWidget
{
    Q_OBJECT
public:
    explicit ParameterModify(QWidget *parent = nullptr);

    // Opens the dialog for one file with its current factors. Does nothing while it is open.
    void showForFile(const QString &projectName, const QString &pointName, const QString &fileName,
                     float velocityCorrection, float flowCorrection);

    // True while the dialog's widgets exist (between showForFile and closing).
    bool isOpen() const { return m_content != nullptr; }

signals:
    // (vc, fc) for the view only ("仅修改").
    void SendGainCoef(float gain, float coefficient);
    // (vc, fc) for the view and the file ("修改并保存").
    void SendGainCoefForSaving(float gain, float coefficient);

public slots:
    void on_Confirm_Btn_clicked();
    void on_Save_Btn_clicked();
    void on_Cancel_Btn_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWidgets(const QString &projectName, const QString &pointName, const QString &fileName,
                      float velocityCorrection, float flowCorrection);
    void destroyWidgets();
    // Reads both line edits; a text that does not read as a number gives 0.
    void readFactors(float &vc, float &fc) const;

    QRegExpValidator *m_validator = nullptr; // lives as long as the dialog

    QWidget *m_content = nullptr; // parent of everything built by showForFile
    QLineEdit *m_velocityEdit = nullptr;
    QLineEdit *m_flowEdit = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_confirmButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
