#include "gui/main_window.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/calculation_request.h"
#include "app/data_paths.h"
#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "app/validation.h"
#include "common/number_text.h"
#include "gui/elided_label.h"
#include "gui/user_interaction.h"

namespace seasky::gui {

const char* const kWindowCaption = "Расчет излучения системы \"океан-атмосфера\"";
const char* const kProfileFilter = "Файл профиля(*.txt)|*.txt";

namespace {

const char* const kNoProfile = "Нет профиля атмосферы.";

QFont TahomaFont(int pixels, bool bold) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// One input row of the first group box. The range captions of the six checked
// inputs are made from the validation table, the start texts from the defaults
// of the calculation's inputs.
struct InputRow {
    int top;
    const char* caption;
};

constexpr InputRow kRows[7] = {
    {13, "Частота излучения (ГГц):"},
    {40, "Угол визирования (град.):"},
    {67, "Азимутальный угол (град.):"},
    {94, "Температура воды (град. С):"},
    {121, "Соленость воды (промилле):"},
    {148, "Скорость приводного ветра (м/с):"},
    {175, "Полоса частот принимаемого излучения (ГГц):"},
};

const char* const kBandCaption = "(0 - отсутствие полосы)";

// The start-up value of input i, in the order of the inputs.
double StartValue(int i) {
    const CalculationInputs defaults;
    const double values[7] = {defaults.frequency, defaults.angle,    defaults.azimuth, defaults.seaTemperature,
                              defaults.salinity,  defaults.wind,     defaults.bandwidth};
    return values[i];
}

}  // namespace

char DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point[0].unicode() < 128) return static_cast<char>(point[0].unicode());
    return '.';
}

QString StandardAtmosphereFolder() {
    // The installed files, <prefix>/share/seasky/profiles beside <prefix>/bin,
    // or the build tree's copy of them, found from the running program.
    if (const auto installed = InstalledDataFolder("profiles")) {
        const QString folder = QString::fromStdString(installed->string());
        if (QFileInfo(folder + QStringLiteral("/midlatitude-summer.txt")).isFile()) return folder;
    }
    // Otherwise the bundled texts are written once to the user's data folder.
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/profiles");
    QDir().mkpath(folder);
    for (const StandardAtmosphere& a : StandardAtmospheres()) {
        QFile file(folder + QLatin1Char('/') + QString::fromUtf8(a.name.data(), a.name.size()) +
                   QStringLiteral(".txt"));
        if (file.exists()) continue;
        if (file.open(QIODevice::WriteOnly)) file.write(a.text.data(), static_cast<qint64>(a.text.size()));
    }
    return folder;
}

TForm2::TForm2(UserInteraction& interaction, QWidget* parent) : QWidget(parent), interaction_(interaction) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QString::fromUtf8(kWindowCaption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(942, 693);
    move(0, 0);
    setFont(TahomaFont(11, false));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    const QFont normal = TahomaFont(11, false);

    // Inputs.
    GroupBox1 = new QGroupBox(QStringLiteral("Основные параметры:"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 433, 201);
    GroupBox1->setFont(TahomaFont(13, true));
    GroupBox1->setStyleSheet(QStringLiteral("QGroupBox#GroupBox1 { color: red; }"));
    const char* editNames[7] = {"EditFreq", "EditTet", "EditFi", "EditTs", "EditSol", "EditWind", "Edit_dF"};
    for (int i = 0; i < 7; ++i) {
        const InputRow& row = kRows[i];
        QLabel* caption = new QLabel(QString::fromUtf8(row.caption), GroupBox1);
        caption->setObjectName(QStringLiteral("Label%1").arg(2 * i + 1));
        caption->setFont(normal);
        caption->setAlignment(Qt::AlignRight | Qt::AlignTop);
        caption->setGeometry(2, row.top + 3, 250, 13);  // right edge at 252
        QLineEdit* edit = new QLineEdit(GroupBox1);
        edit->setObjectName(QString::fromLatin1(editNames[i]));
        edit->setFont(normal);
        edit->setGeometry(253, row.top, 50, 21);
        // Start-up texts with the user's separator, so the first press converts.
        edit->setText(QString::fromStdString(FormatGeneral(StartValue(i), DecimalSeparator())));
        edit->installEventFilter(this);
        const std::string rangeText = i < 6 ? RangeCaption(static_cast<Checked>(i)) : std::string(kBandCaption);
        QLabel* range = new QLabel(QString::fromStdString(rangeText), GroupBox1);
        range->setObjectName(QStringLiteral("Label%1").arg(2 * i + 2));
        range->setFont(normal);
        range->setGeometry(307, row.top + 3, 122, 13);
        Labels[2 * i] = caption;
        Labels[2 * i + 1] = range;
        edits_[i] = edit;
    }
    EditFreq = edits_[0];
    EditTet = edits_[1];
    EditFi = edits_[2];
    EditTs = edits_[3];
    EditSol = edits_[4];
    EditWind = edits_[5];
    Edit_dF = edits_[6];
    EditFreq->setToolTip(QString::fromStdString(FrequencyHint()));
    Edit_dF->setEnabled(false);
    Edit_dF->setFocusPolicy(Qt::NoFocus);

    // Results.
    GroupBox2 = new QGroupBox(QStringLiteral("Результат расчета:"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(447, 8, 474, 201);
    GroupBox2->setFont(TahomaFont(13, true));
    Memo1 = new QPlainTextEdit(GroupBox2);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(16, 26, 281, 165);
    Memo2 = new QPlainTextEdit(GroupBox2);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setGeometry(296, 26, 169, 165);
    for (QPlainTextEdit* memo : {Memo1, Memo2}) {
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->clear();
    }

    ButLoadProf = new QPushButton(QStringLiteral("Загрузить профиль"), this);
    ButLoadProf->setObjectName(QStringLiteral("ButLoadProf"));
    ButLoadProf->setGeometry(8, 215, 145, 25);
    ButCalc = new QPushButton(QStringLiteral("Выполнить расчет"), this);
    ButCalc->setObjectName(QStringLiteral("ButCalc"));
    ButCalc->setGeometry(280, 215, 161, 25);
    ButCalc->setEnabled(false);
    connect(ButLoadProf, &QPushButton::clicked, this, &TForm2::ButLoadProfClick);
    connect(ButCalc, &QPushButton::clicked, this, &TForm2::ButCalcClick);

    LabelProf = new ElidedLabel(QString::fromUtf8(kNoProfile), this);
    LabelProf->setObjectName(QStringLiteral("LabelProf"));
    LabelProf->setGeometry(16, 248, 918, 13);

    Chart1 = MakeChart(QStringLiteral("Температура воздуха, К"), QString(), SerTa, 16);
    Chart2 = MakeChart(QStringLiteral("Атмосферное давление, мб."), QString(), SerP, 247);
    Chart3 = MakeChart(QStringLiteral("Абсольтная влажность атмосферы, г/м^3"), QString(), SerR, 478);
    Chart4 = MakeChart(QStringLiteral("Водность облаков, г/м^3."), QStringLiteral("(0-если нет облачности)"), SerWcl,
                       709);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart2->setObjectName(QStringLiteral("Chart2"));
    Chart3->setObjectName(QStringLiteral("Chart3"));
    Chart4->setObjectName(QStringLiteral("Chart4"));
    SerTa->setObjectName(QStringLiteral("SerTa"));
    SerP->setObjectName(QStringLiteral("SerP"));
    SerR->setObjectName(QStringLiteral("SerR"));
    SerWcl->setObjectName(QStringLiteral("SerWcl"));

    // Tab order: the calculate button, the inputs (azimuth, frequency, salinity,
    // angle, sea temperature, wind), the load button, the charts, the two lists.
    const QList<QWidget*> order = {ButCalc, EditFi, EditFreq, EditSol, EditTet, EditTs, EditWind,
                                   ButLoadProf, Chart1, Chart2, Chart3, Chart4, Memo1, Memo2};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

QChartView* TForm2::MakeChart(const QString& title, const QString& subtitle, QLineSeries*& series, int left) {
    QChart* chart = new QChart();
    // The title has two lines; the second is empty for three of the charts. A
    // title too wide for the chart is broken after its last comma instead, so
    // that it is shown whole.
    const QFont titleFont = TahomaFont(11, false);
    QString first = title;
    QString second = subtitle;
    const qsizetype comma = title.lastIndexOf(QStringLiteral(", "));
    if (second.isEmpty() && comma > 0 && QFontMetrics(titleFont).horizontalAdvance(title) > 225 - 16) {
        first = title.left(comma + 1);
        second = title.mid(comma + 2);
    }
    chart->setTitle(first.toHtmlEscaped() + QStringLiteral("<br>") +
                    (second.isEmpty() ? QStringLiteral("&nbsp;") : second.toHtmlEscaped()));
    chart->setTitleFont(titleFont);
    chart->legend()->hide();
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setBackgroundRoundness(0);
    // Axis numbers in the user's locale, without group separators.
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    chart->setLocale(locale);
    chart->setLocalizeNumbers(true);

    series = new QLineSeries();
    QPen pen(QColor(255, 0, 0));
    pen.setWidth(2);
    series->setPen(pen);
    series->setPointsVisible(false);
    series->setPointLabelsVisible(false);
    chart->addSeries(series);

    QValueAxis* x = new QValueAxis();
    QValueAxis* y = new QValueAxis();
    for (QValueAxis* axis : {x, y}) {
        axis->setLabelsFont(TahomaFont(10, false));
        axis->setRange(0.0, 1.0);
    }
    x->setTickCount(4);
    y->setTickCount(6);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);

    QChartView* view = new QChartView(chart, this);
    view->setGeometry(left, 272, 225, 413);
    view->setRenderHint(QPainter::Antialiasing);
    view->setRubberBand(QChartView::NoRubberBand);
    view->setFocusPolicy(Qt::TabFocus);
    return view;
}

void TForm2::UpdateAxes(QLineSeries* series) {
    const QList<QPointF> points = series->points();
    if (points.isEmpty()) return;
    double xMin = points[0].x(), xMax = xMin, yMin = points[0].y(), yMax = yMin;
    for (const QPointF& p : points) {
        xMin = std::min(xMin, p.x());
        xMax = std::max(xMax, p.x());
        yMin = std::min(yMin, p.y());
        yMax = std::max(yMax, p.y());
    }
    // A constant quantity (a cloud-free profile) still gets a readable axis.
    if (xMax == xMin) xMax = xMin + (xMin == 0.0 ? 1.0 : std::abs(xMin) * 0.1);
    if (yMax == yMin) yMax = yMin + 1.0;
    const auto axes = series->attachedAxes();
    for (QAbstractAxis* axis : axes) {
        QValueAxis* value = qobject_cast<QValueAxis*>(axis);
        if (value == nullptr) continue;
        if (axis->orientation() == Qt::Horizontal) value->setRange(xMin, xMax);
        else value->setRange(yMin, yMax);
        value->applyNiceNumbers();
        // As many decimals as the tick spacing needs.
        const double spacing = (value->max() - value->min()) / std::max(1, value->tickCount() - 1);
        const int decimals = spacing >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(spacing) - 1e-9));
        value->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
    }
}

QChar TForm2::EditKeyPress(QLineEdit* edit, QChar key) const {
    const QString text = edit->text();
    const QChar separator = QChar::fromLatin1(DecimalSeparator());
    if (key == QLatin1Char('.') || key == QLatin1Char(',')) return text.contains(separator) ? QChar() : separator;
    if (key == QLatin1Char('-')) return text.contains(QLatin1Char('-')) ? QChar() : key;
    if ((key >= QLatin1Char('0') && key <= QLatin1Char('9')) || key == QChar(8)) return key;
    return QChar();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    QLineEdit* edit = qobject_cast<QLineEdit*>(watched);
    if (event->type() != QEvent::KeyPress || edit == nullptr ||
        std::find(edits_.begin(), edits_.end(), edit) == edits_.end())
        return QWidget::eventFilter(watched, event);
    QKeyEvent* keyEvent = static_cast<QKeyEvent*>(event);
    // Keys that type no character (arrows, Home, End, Delete, Shift) and the focus
    // keys keep their usual meaning.
    const int key = keyEvent->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Delete || keyEvent->text().isEmpty())
        return QWidget::eventFilter(watched, event);
    const QChar typed = keyEvent->text().at(0);
    const QChar result = EditKeyPress(edit, typed);
    if (result.isNull()) return true;               // discarded
    if (result == typed) return QWidget::eventFilter(watched, event);  // accepted as typed
    edit->insert(QString(result));                                      // replaced by the separator
    return true;
}

QList<QPointF> DrawnPoints(const std::vector<double>& value, const std::vector<double>& height) {
    const std::size_t n = std::min(value.size(), height.size());
    QList<QPointF> points;
    if (n <= 2 * kDrawnBuckets) {
        points.reserve(static_cast<qsizetype>(n));
        for (std::size_t i = 0; i < n; ++i) points.append(QPointF(value[i], height[i]));
        return points;
    }
    // Levels in consecutive runs, one per bucket; of each run the levels of its
    // least and greatest value, in level order. A chart a few hundred pixels
    // tall shows the same line, with every extreme, at a fraction of the cost
    // of stroking every segment (painting dominates loading a long profile).
    points.reserve(2 * kDrawnBuckets + 2);
    points.append(QPointF(value[0], height[0]));
    for (std::size_t b = 0; b < kDrawnBuckets; ++b) {
        const std::size_t first = 1 + (n - 2) * b / kDrawnBuckets;
        const std::size_t last = 1 + (n - 2) * (b + 1) / kDrawnBuckets;  // one past
        std::size_t lo = first, hi = first;
        for (std::size_t i = first; i < last; ++i) {
            if (value[i] < value[lo]) lo = i;
            if (value[i] > value[hi]) hi = i;
        }
        for (std::size_t i : {std::min(lo, hi), std::max(lo, hi)}) {
            points.append(QPointF(value[i], height[i]));
            if (lo == hi) break;
        }
    }
    points.append(QPointF(value[n - 1], height[n - 1]));
    return points;
}

bool TForm2::LoadProfile(const QString& fileName) {
    // The label shows the chosen name even when the file then cannot be read.
    LabelProf->setText(QDir::toNativeSeparators(fileName));
    // A busy cursor while a long profile is read and drawn.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct CursorRestorer {
        ~CursorRestorer() { QApplication::restoreOverrideCursor(); }
    } restorer;
    ProfileReadResult result = ReadProfileFile(fileName.toStdString());
    if (!result.ok) {
        QApplication::restoreOverrideCursor();  // not over the message box
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        // A refused file changes nothing: the earlier profile, charts and button stay.
        interaction_.Beep();
        interaction_.ShowMessage(this, QString::fromStdString(result.message));
        return false;
    }
    profileStore_ = std::move(result.profile);
    // Each series gets its points in one call: adding them one by one redraws
    // the line after every point, which takes minutes for a radiosonde of
    // 10000 levels.
    SerTa->replace(DrawnPoints(profileStore_.airTemperature, profileStore_.height));
    SerP->replace(DrawnPoints(profileStore_.pressure, profileStore_.height));
    SerR->replace(DrawnPoints(profileStore_.absoluteHumidity, profileStore_.height));
    SerWcl->replace(DrawnPoints(profileStore_.cloudWater, profileStore_.height));
    for (QLineSeries* series : {SerTa, SerP, SerR, SerWcl}) UpdateAxes(series);
    ButCalc->setEnabled(true);
    return true;
}

void TForm2::ButLoadProfClick() {
    const std::optional<QString> name =
        interaction_.ChooseFileToOpen(this, StandardAtmosphereFolder(), QString::fromUtf8(kProfileFilter));
    if (!name) return;
    LoadProfile(*name);
}

void TForm2::ButCalcClick() {
    if (profileStore_.levelCount < 2) return;  // the button is enabled only after a load
    CalculationInputTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = edits_[i]->text().toStdString();
    const char separator = DecimalSeparator();
    const CalculationOutcome outcome = RunCalculationRequest(texts, separator, profileStore_);
    if (outcome.status == CalculationStatus::conversionError) {
        interaction_.ShowError(this, QString::fromStdString(outcome.message));
        return;
    }
    if (outcome.status == CalculationStatus::rangeError) {
        interaction_.Beep();
        interaction_.ShowMessage(this, QString::fromStdString(outcome.message));
        return;
    }
    Memo1->clear();
    for (const char* caption : kResultCaptions) Memo1->appendPlainText(QString::fromUtf8(caption));
    Memo2->clear();
    for (const std::string& value : ResultValueTexts(outcome.result, separator))
        Memo2->appendPlainText(QString::fromStdString(value));
}

}  // namespace seasky::gui
