#pragma once

// The scattergraph's side panel: slope and roughness of the pipe curve, which reference lines
// to draw, and the results of the fits with the button that takes the sediment estimate to the
// pipe dialog.

#include "data/PipeCurves.h"
#include "data/SedimentFit.h"
#include "data/SedimentTrust.h"

#include <QWidget>

#include <functional>
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

// What the user typed for the pipe curve, as typed: slope in ‰, the law (0 Manning, 1
// Colebrook-White) and the roughness of each law. A point keeps its own (views/ScatterCurveStore).
struct CurveInput
{
    QString slopePermille;
    int law = 0;
    QString manningN;
    QString roughnessMm;
    bool operator==(const CurveInput &o) const
    {
        return slopePermille == o.slopePermille && law == o.law && manningN == o.manningN &&
               roughnessMm == o.roughnessMm;
    }
};
// The input of a point that has none kept: no slope, the default roughness of each law.
CurveInput defaultCurveInput();

class ScatterPanel : public QWidget
{
    Q_OBJECT

public:
    explicit ScatterPanel(QWidget *parent = nullptr);

    ScatterSettings settings() const;

    // The fit over the shown records and the sweep's estimate with how far it can be trusted
    // (nothing fitted: all invalid).
    void showFits(const lmv::LanfearCollFit &fit, const lmv::SedimentSweep &sweep,
                  const lmv::SedimentTrust &trust);
    // The pipe cannot be (PipeLimits.h): says why instead of any fit.
    void showPipeProblem(const QString &problem);

    // The pipe curve's input; setting it does not count as an edit.
    CurveInput curveInput() const;
    void setCurveInput(const CurveInput &input);

    // Asked before an estimate that is not trusted goes to the pipe dialog: true to go on. A
    // question box unless replaced (tests).
    std::function<bool(QWidget *parent, const QString &text)> confirmUncertain;
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
    // The user changed the pipe curve's input (slope, law or roughness).
    void curveInputEdited();
    // The user wants the pipe dialog with this sediment (mm).
    void sedimentEditRequested(int sedimentMm);
    // The user wants the whole file again.
    void wholeFileRequested();

private:
    void lawChanged();

    QLabel *m_roughnessLabel = nullptr;
    QString m_manningText;
    QString m_roughnessText;
    void requestSedimentEdit();

    int m_estimateMm = -1;
    bool m_editAllowed = true;
    lmv::SedimentTrust m_trust;
};
