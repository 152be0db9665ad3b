#pragma once

#include "survey/RainImport.h"

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTableWidget;

// "导入雨量计数据": the first lines of a gauge file as they split, the column mapping to confirm
// (starting from the one the file suggests), the gauge's name, and how many rows the mapping reads
// and which it cannot, by line. The rows are read again shortly after each change. "导入" stays
// disabled while the file is refused or the name is empty. The dialog only reads the bytes it is
// given; the caller stores what it returns.
class RainImportDialog : public QDialog
{
    Q_OBJECT

public:
    RainImportDialog(const QByteArray &bytes, const QString &fileName, QWidget *parent = nullptr);

    // The mapping the controls show.
    lmv::survey::RainImportMapping mapping() const;
    // The gauge's name, trimmed.
    QString gaugeName() const;
    // The file read under mapping() at the last reading.
    const lmv::survey::RainImportResult &result() const { return m_result; }
    // The project's points, as a checkable list; `checked` start checked.
    void setPoints(const QStringList &points, const QStringList &checked);
    // The checked points, in the list's order.
    QStringList chosenPoints() const;
    // Why "导入" is disabled; empty when it is enabled.
    QString blocker() const;

    // Sets the controls to a mapping and reads the rows again at once.
    void setMapping(const lmv::survey::RainImportMapping &mapping);

    QTableWidget *previewTable = nullptr;
    QSpinBox *timeColumnBox = nullptr;
    QComboBox *timeFormatBox = nullptr; // the named forms, then "自定义"
    QLineEdit *customFormatEdit = nullptr;
    QSpinBox *valueColumnBox = nullptr;
    QComboBox *separatorBox = nullptr;
    QCheckBox *decimalCommaBox = nullptr;
    QSpinBox *skipRowsBox = nullptr;
    QComboBox *kindBox = nullptr;
    QDoubleSpinBox *bucketBox = nullptr;
    QLineEdit *nameEdit = nullptr;
    QLabel *countsLabel = nullptr;  // "读取 N 行，无法读取 M 行"
    QLabel *problemLabel = nullptr; // why the file is refused or cannot be read
    QListWidget *badRowsList = nullptr;
    QListWidget *pointsList = nullptr; // points to assign the gauge to
    QDialogButtonBox *buttons = nullptr;

signals:
    // The rows were read again under the controls' mapping.
    void importUpdated();

private:
    void buildWidgets();
    void showMapping(const lmv::survey::RainImportMapping &mapping);
    void controlsChanged();
    void readAgain();
    void fillPreview();
    void updateState();

    QByteArray m_bytes;
    lmv::survey::RainPreview m_preview;
    lmv::survey::RainImportResult m_result;
    QLabel *m_fileLabel = nullptr;
    QTimer m_timer;
    bool m_showing = false; // controls being set from a mapping: no reading per control
};
