#pragma once

// The scattergraph's side panel: slope and roughness of the pipe curve, which reference lines
// to draw, and the results of the fits with the button that takes the sediment estimate to the
// pipe dialog.

#include "data/PipeCurves.h"
#include "data/SedimentFit.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What the panel asks the plot to draw.
struct ScatterSettings
{
    std::optional<lmv::Friction> friction; // the pipe curve, once a slope is entered
    bool isoFlow = true;
    bool critical = true;
    bool fitted = true;
};

class ScatterPanel : public QWidget
{
    Q_OBJECT

public:
    explicit ScatterPanel(QWidget *parent = nullptr);

    ScatterSettings settings() const;

    // The fit over the shown records and the sweep's estimate (nothing fitted: both invalid).
    void showFits(const lmv::LanfearCollFit &fit, const lmv::SedimentSweep &sweep);
    // The time range the points and fits are limited to ("" for the whole file).
    void showRange(const QString &text);
    // Whether the estimate may be taken to the pipe dialog (not for a file on the logger).
    void setSedimentEditEnabled(bool enabled);

    QLineEdit *slopeEdit = nullptr;     // ‰
    QComboBox *lawBox = nullptr;        // Manning n / Colebrook-White ks
    QLineEdit *roughnessEdit = nullptr; // n, or ks in mm
    QCheckBox *isoFlowBox = nullptr;
    QCheckBox *criticalBox = nullptr;
    QCheckBox *fittedBox = nullptr;
    QLabel *fitLabel = nullptr;
    QLabel *sedimentLabel = nullptr;
    QPushButton *sedimentButton = nullptr;
    QLabel *rangeLabel = nullptr;
    QPushButton *wholeFileButton = nullptr;

signals:
    // Any setting changed.
    void settingsChanged();
    // The user wants the pipe dialog with this sediment (mm).
    void sedimentEditRequested(int sedimentMm);
    // The user wants the whole file again.
    void wholeFileRequested();

private:
    void lawChanged();

    QLabel *m_roughnessLabel = nullptr;
    QString m_manningText;
    QString m_roughnessText;
    int m_estimateMm = -1;
    bool m_editAllowed = true;
};
