// The one window of the program: the seven inputs, the profile loading and
// calculation buttons, four profile charts and the two result lists. It only
// turns widget texts into the calculation request's inputs and its results
// back into list lines; the physics lives in the toolkit-free core.
#pragma once

#include <QList>
#include <QPointF>
#include <QWidget>
#include <array>
#include <cstddef>
#include <vector>

#include "common/records.h"

class QChart;
class QChartView;
class QGroupBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPlainTextEdit;
class QPushButton;
class QValueAxis;

namespace seasky::gui {

class ElidedLabel;
class UserInteraction;

// The user's decimal separator (an ASCII character; "." where the locale's is not one).
char DecimalSeparator();

// The window's title.
extern const char* const kWindowCaption;
// Filter of the open dialog.
extern const char* const kProfileFilter;

// The folder the open dialog starts in: the bundled standard atmospheres.
QString StandardAtmosphereFolder();

// The points a profile chart draws of one quantity against height: every level
// up to 2 x kDrawnBuckets levels; beyond, the first and last levels and, of each
// of kDrawnBuckets consecutive runs of levels, those of the run's least and
// greatest value, in level order (the same line on screen, every extreme kept).
inline constexpr std::size_t kDrawnBuckets = 2000;
QList<QPointF> DrawnPoints(const std::vector<double>& value, const std::vector<double>& height);

class TForm2 : public QWidget {
    Q_OBJECT
public:
    // interaction must outlive the window.
    explicit TForm2(UserInteraction& interaction, QWidget* parent = nullptr);

    // The loaded profile (levelCount 0 before the first successful load).
    const ProfileStore& Profile() const { return profileStore_; }

    // Loads a profile file as the load button does after its dialog; true on success.
    bool LoadProfile(const QString& fileName);

    // Input edits, in the order of the inputs.
    QLineEdit *EditFreq, *EditTet, *EditFi, *EditTs, *EditSol, *EditWind, *Edit_dF;
    QGroupBox *GroupBox1, *GroupBox2;
    QPushButton *ButLoadProf, *ButCalc;
    ElidedLabel* LabelProf;
    std::array<QLabel*, 14> Labels{};  // Label1 ... Label14
    QChartView *Chart1, *Chart2, *Chart3, *Chart4;
    QLineSeries *SerTa, *SerP, *SerR, *SerWcl;
    QPlainTextEdit *Memo1, *Memo2;

public slots:
    void ButLoadProfClick();
    void ButCalcClick();

protected:
    // The key filter of the seven edits.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Decides what a typed character becomes in edit: the character to insert,
    // or 0 to discard it.
    QChar EditKeyPress(QLineEdit* edit, QChar key) const;
    QChartView* MakeChart(const QString& title, const QString& subtitle, QLineSeries*& series, int left);
    void UpdateAxes(QLineSeries* series);

    UserInteraction& interaction_;
    ProfileStore profileStore_;
    std::array<QLineEdit*, 7> edits_{};
};

}  // namespace seasky::gui
