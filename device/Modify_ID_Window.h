#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QRegExpValidator;

// Window "修改设备编号": lets the user enter a new eight-digit device number for the
// connected logger and hands it on with SendNewId.
class Modify_ID_Window : public QWidget
{
    Q_OBJECT
public:
    explicit Modify_ID_Window(QWidget *parent = nullptr);

    // Puts the number into the line edit and shows the window; does nothing while it is shown,
    // so an edit in progress is kept.
    void showForNumber(quint32 deviceNumber);

signals:
    void SendNewId(uint id);

public slots:
    // Sends the entered number (0 when empty) and closes the window.
    void on_modify_btn_clicked();

private:
    QLabel *m_caption = nullptr;
    QLineEdit *m_numberEdit = nullptr;
    QPushButton *m_modifyButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QLabel *m_note = nullptr;
    QRegExpValidator *m_validator = nullptr;
};
