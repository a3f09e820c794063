#include "plot/chart_file.h"

#include <unistd.h>

#include <QApplication>
#include <QBrush>
#include <QBuffer>
#include <QByteArray>
#include <QChart>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QLegend>
#include <QLineSeries>
#include <QList>
#include <QMargins>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QSaveFile>
#include <QString>
#include <QSvgGenerator>
#include <QThread>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace seasky::plot {

namespace {

constexpr int kMinSize = 64;
constexpr int kMaxSize = 8192;

enum class FileFormat { Png, Svg };

std::optional<FileFormat> FormatOf(const std::string& path) {
    const QString suffix = QString::fromStdString(path).right(4).toLower();
    if (suffix == QLatin1String(".png")) return FileFormat::Png;
    if (suffix == QLatin1String(".svg")) return FileFormat::Svg;
    return std::nullopt;
}

// Data range of one coordinate over all series, widened when the values are all
// equal, or equal to nine digits, so that the axis has a span to divide.
struct Range {
    double min, max;
};

Range DataRange(const std::vector<Series>& series, bool ofX) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const Series& s : series)
        for (double v : ofX ? s.x : s.y) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    if (hi - lo <= 1e-9 * std::max(std::abs(lo), std::abs(hi))) {
        const double mid = 0.5 * (lo + hi);
        const double half = mid == 0.0 ? 1.0 : std::abs(mid) * 0.05;
        lo = mid - half;
        hi = mid + half;
    }
    return {lo, hi};
}

// The reasons a chart cannot be drawn, checked before any Qt object exists.
std::string Validate(const Chart& chart, int width, int height) {
    if (chart.series.empty()) return "the chart has no series";
    std::size_t points = 0;
    for (std::size_t i = 0; i < chart.series.size(); ++i) {
        const Series& s = chart.series[i];
        std::string label = "series ";
        label += s.name.empty() ? std::to_string(i + 1) : '"' + s.name + '"';
        if (s.x.size() != s.y.size())
            return label + " has " + std::to_string(s.x.size()) + " x values but " + std::to_string(s.y.size()) +
                   " y values";
        for (std::size_t k = 0; k < s.x.size(); ++k)
            if (!std::isfinite(s.x[k]) || !std::isfinite(s.y[k]))
                return label + " has a value that is not a finite number at point " + std::to_string(k + 1);
        points += s.x.size();
    }
    if (points == 0) return "the chart has no points";
    for (const bool ofX : {true, false}) {
        const Range r = DataRange(chart.series, ofX);
        if (!std::isfinite(r.max - r.min) || !std::isfinite(r.max * 1.5) || !std::isfinite(r.min * 1.5))
            return std::string("the ") + (ofX ? "x" : "y") + " values are too large to draw";
    }
    if (width < kMinSize || width > kMaxSize || height < kMinSize || height > kMaxSize)
        return "the chart size " + std::to_string(width) + "x" + std::to_string(height) + " is outside " +
               std::to_string(kMinSize) + ".." + std::to_string(kMaxSize) + " pixels";
    return {};
}

// The application the chart is drawn with: the running one, or one created for
// the duration of the call. The first QApplication of a process sets the C
// locale from the environment (setlocale(LC_ALL, "")), which would change how
// the rest of the program reads and prints numbers; the locale is put back once
// the created application is gone.
class ApplicationScope {
public:
    ApplicationScope() {
        if (QCoreApplication::instance() != nullptr) {
            if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
                error_ = "charts need a QApplication, but the program runs another kind of Qt application";
            else if (QThread::currentThread() != QCoreApplication::instance()->thread())
                error_ = "charts can only be drawn in the thread of the application";
            return;
        }
        if (const char* current = std::setlocale(LC_ALL, nullptr)) savedLocale_ = current;
        // A chart drawn into a file needs no display: the offscreen platform always
        // (a display that is set but unreachable, a stale ssh -X session, would
        // otherwise abort the program), unless the caller chose a platform.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
        // Qt wants a private runtime folder and warns on every start without one.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            const QByteArray folder = QDir::tempPath().toUtf8() + "/seasky-runtime-" + QByteArray::number(getuid());
            QDir().mkpath(QString::fromUtf8(folder));
            QFile::setPermissions(QString::fromUtf8(folder),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", folder);
        }
        // QApplication keeps references to argc and argv for its lifetime.
        static int argc = 1;
        static char name[] = "seasky";
        static char* argv[] = {name, nullptr};
        own_ = std::make_unique<QApplication>(argc, argv);
    }
    ~ApplicationScope() {
        if (!own_) return;
        own_.reset();
        if (savedLocale_) std::setlocale(LC_ALL, savedLocale_->c_str());
    }
    ApplicationScope(const ApplicationScope&) = delete;
    ApplicationScope& operator=(const ApplicationScope&) = delete;

    const std::string& Error() const { return error_; }

private:
    std::unique_ptr<QApplication> own_;
    std::optional<std::string> savedLocale_;
    std::string error_;
};

// Tahoma, registered from Debian's fonts-wine when the system has none, else the
// application's default family. Checked on every call: fonts registered with an
// application created earlier are gone with it.
QString ChartFontFamily() {
    const QString tahoma = QStringLiteral("Tahoma");
    if (QFontDatabase::families().contains(tahoma, Qt::CaseInsensitive)) return tahoma;
    const QString file = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(file) && QFontDatabase::addApplicationFont(file) >= 0 &&
        QFontDatabase::families().contains(tahoma, Qt::CaseInsensitive))
        return tahoma;
    return QApplication::font().family();
}

QFont ChartFont(const QString& family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Fixed colours for the two polarisations, the others in palette order.
constexpr std::array<QRgb, 10> kPalette = {0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd,
                                           0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf};

// The pen of each series: its colour, and a dashed line for series beyond the
// palette's ten (which reuse its colours).
std::vector<QPen> SeriesPens(const std::vector<Series>& series) {
    std::vector<int> index(series.size(), -1);
    std::vector<bool> dashed(series.size(), false);
    std::array<bool, kPalette.size()> used{};
    for (std::size_t i = 0; i < series.size(); ++i) {
        const QString name = QString::fromStdString(series[i].name).trimmed().toUpper();
        const int fixed = name == QLatin1String("V") ? 0 : name == QLatin1String("H") ? 1 : -1;
        if (fixed >= 0 && !used[static_cast<std::size_t>(fixed)]) {
            index[i] = fixed;
            used[static_cast<std::size_t>(fixed)] = true;
        }
    }
    std::size_t next = 0;
    for (std::size_t i = 0; i < series.size(); ++i) {
        if (index[i] >= 0) continue;
        const auto free = std::find(used.begin(), used.end(), false);
        if (free != used.end()) {
            index[i] = static_cast<int>(free - used.begin());
            *free = true;
        } else {
            // More series than colours: cycle through the palette again.
            index[i] = static_cast<int>(next++ % kPalette.size());
            dashed[i] = true;
        }
    }
    std::vector<QPen> pens;
    pens.reserve(series.size());
    for (std::size_t i = 0; i < series.size(); ++i) {
        QPen pen(QColor::fromRgb(kPalette[static_cast<std::size_t>(index[i])]), 2);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        if (dashed[i]) pen.setStyle(Qt::DashLine);
        pens.push_back(pen);
    }
    return pens;
}

// The fewest decimals that show every tick value of a nice-numbered axis
// exactly: "250" and "2", not "250.0" and "2.0"; "0.25" where the step is 0.05.
// Steps finer than a millionth, or numbers beyond a billion, get six significant
// digits with an exponent where needed.
QString LabelFormat(const QValueAxis* axis) {
    const double step = (axis->max() - axis->min()) / std::max(axis->tickCount() - 1, 1);
    if (std::max(std::abs(axis->min()), std::abs(axis->max())) >= 1e9) return QStringLiteral("%g");
    double scale = 1.0;
    for (int decimals = 0; decimals <= 6; ++decimals, scale *= 10.0) {
        // In units of the last decimal, the step and the first tick must both be
        // whole numbers, the step at least one unit.
        const double a = step * scale, b = axis->min() * scale;
        if (a >= 0.5 && std::abs(a - std::round(a)) <= 1e-6 * a &&
            std::abs(b - std::round(b)) <= 1e-6 * std::max(1.0, std::abs(b)))
            return QStringLiteral("%.%1f").arg(decimals);
    }
    return QStringLiteral("%g");
}

QValueAxis* MakeAxis(const std::string& title, Range range, const QString& family) {
    auto* axis = new QValueAxis();
    // Qt Charts takes axis titles as rich text; the labels here are plain text.
    axis->setTitleText(QString::fromStdString(title).toHtmlEscaped());
    axis->setTitleFont(ChartFont(family, 14, false));
    axis->setTitleBrush(QBrush(Qt::black));
    axis->setLabelsFont(ChartFont(family, 12, false));
    axis->setLabelsColor(Qt::black);
    axis->setLinePen(QPen(QColor(0x60, 0x60, 0x60), 1));
    axis->setGridLinePen(QPen(QColor(0xe0, 0xe0, 0xe0), 1));
    axis->setMinorGridLineVisible(false);
    axis->setShadesVisible(false);
    axis->setTickCount(6);
    axis->setRange(range.min, range.max);
    axis->applyNiceNumbers();
    axis->setLabelFormat(LabelFormat(axis));
    return axis;
}

// The chart as Qt Charts draws it, width x height pixels, in its own scene.
std::unique_ptr<QGraphicsScene> BuildScene(const Chart& chart, const QString& family, int width, int height) {
    auto scene = std::make_unique<QGraphicsScene>();
    auto* qchart = new QChart();
    scene->addItem(qchart);  // the scene owns the chart, the chart its series and axes

    qchart->setAnimationOptions(QChart::NoAnimation);
    qchart->setBackgroundBrush(QBrush(Qt::white));
    qchart->setBackgroundPen(Qt::NoPen);
    qchart->setBackgroundRoundness(0);
    qchart->setDropShadowEnabled(false);
    qchart->setPlotAreaBackgroundVisible(false);
    qchart->setLocalizeNumbers(false);
    qchart->setMargins(QMargins(10, 10, 24, 10));
    if (!chart.title.empty()) {
        qchart->setTitle(QString::fromStdString(chart.title).toHtmlEscaped());
        qchart->setTitleFont(ChartFont(family, 16, true));
        qchart->setTitleBrush(QBrush(Qt::black));
    }

    const std::vector<QPen> pens = SeriesPens(chart.series);
    std::vector<QLineSeries*> lines;
    for (std::size_t i = 0; i < chart.series.size(); ++i) {
        const Series& s = chart.series[i];
        auto* line = new QLineSeries();
        line->setName(QString::fromStdString(s.name).toHtmlEscaped());
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(s.x.size()));
        for (std::size_t k = 0; k < s.x.size(); ++k) points.append(QPointF(s.x[k], s.y[k]));
        line->replace(points);
        line->setPen(pens[i]);
        // A single point makes no line: show it as a dot.
        if (s.x.size() == 1) {
            line->setPointsVisible(true);
            line->setMarkerSize(6);
        }
        qchart->addSeries(line);
        lines.push_back(line);
    }

    QLegend* legend = qchart->legend();
    legend->setVisible(chart.series.size() > 1);
    legend->setAlignment(Qt::AlignTop);
    legend->setFont(ChartFont(family, 13, false));
    legend->setLabelColor(Qt::black);
    legend->setBackgroundVisible(false);
    legend->setMarkerShape(QLegend::MarkerShapeFromSeries);

    QValueAxis* xAxis = MakeAxis(chart.xLabel, DataRange(chart.series, true), family);
    QValueAxis* yAxis = MakeAxis(chart.yLabel, DataRange(chart.series, false), family);
    qchart->addAxis(xAxis, Qt::AlignBottom);
    qchart->addAxis(yAxis, Qt::AlignLeft);
    for (QLineSeries* line : lines) {
        line->attachAxis(xAxis);
        line->attachAxis(yAxis);
    }

    // Lay the chart out now, at its final size, instead of waiting for the event
    // loop, which may not run at all.
    qchart->setGeometry(QRectF(0, 0, width, height));
    QCoreApplication::sendPostedEvents(qchart, QEvent::LayoutRequest);
    if (QGraphicsLayout* layout = qchart->layout()) layout->activate();
    scene->setSceneRect(QRectF(0, 0, width, height));
    return scene;
}

void Paint(QGraphicsScene& scene, QPainter& painter, int width, int height) {
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    const QRectF area(0, 0, width, height);
    scene.render(&painter, area, area, Qt::IgnoreAspectRatio);
}

std::string CannotWrite(const std::string& path, const QString& reason) {
    return "cannot write " + path + ": " + reason.toStdString();
}

std::string WritePng(QGraphicsScene& scene, QSaveFile& file, const std::string& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return "not enough memory for a chart of " + std::to_string(width) + "x" + std::to_string(height);
    image.fill(Qt::white);
    QPainter painter(&image);
    Paint(scene, painter, width, height);
    painter.end();
    if (!image.save(&file, "PNG")) return CannotWrite(path, file.errorString());
    return {};
}

std::string WriteSvg(QGraphicsScene& scene, QSaveFile& file, const Chart& chart, const QString& family,
                     const std::string& path, int width, int height) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    // At 96 dots per inch the document's size in millimetres is width x height
    // CSS pixels, the size viewers show it at.
    svg.setResolution(96);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QString::fromStdString(chart.title));
    svg.setDescription(QStringLiteral("seasky chart"));
    QPainter painter;
    if (!painter.begin(&svg)) return CannotWrite(path, QStringLiteral("the SVG could not be started"));
    Paint(scene, painter, width, height);
    painter.end();
    // A viewer without the chart's font otherwise falls back to its default
    // font, often a serif one.
    QByteArray document = buffer.data();
    const QByteArray named = "font-family=\"" + family.toHtmlEscaped().toUtf8() + "\"";
    document.replace(named, named.chopped(1) + ", sans-serif\"");
    if (file.write(document) != document.size()) return CannotWrite(path, file.errorString());
    return {};
}

}  // namespace

std::string WriteChart(const Chart& chart, const std::string& path, int width, int height) {
    const std::optional<FileFormat> format = FormatOf(path);
    if (!format) return "cannot write " + path + ": the file name must end in .png or .svg";
    if (std::string problem = Validate(chart, width, height); !problem.empty()) return problem;

    ApplicationScope application;
    if (!application.Error().empty()) return application.Error();
    std::string result;
    {
        const QString family = ChartFontFamily();
        const std::unique_ptr<QGraphicsScene> scene = BuildScene(chart, family, width, height);
        // QSaveFile writes to a temporary file beside the target and renames it
        // on commit; without a commit the temporary file is removed.
        QSaveFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::WriteOnly)) return CannotWrite(path, file.errorString());
        result = *format == FileFormat::Png ? WritePng(*scene, file, path, width, height)
                                            : WriteSvg(*scene, file, chart, family, path, width, height);
        if (!result.empty()) {
            file.cancelWriting();
        } else if (!file.commit()) {
            result = CannotWrite(path, file.errorString());
        }
    }
    return result;
}

}  // namespace seasky::plot
