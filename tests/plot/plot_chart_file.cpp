// Chart files drawn headless: the PNG image and the SVG document, the refusals,
// and the program state WriteChart leaves behind (application, C locale).
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "plot/chart_file.h"

using seasky::plot::Chart;
using seasky::plot::Series;
using seasky::plot::WriteChart;

namespace {

// The colours WriteChart gives the series named "V" and "H".
const QColor kBlue(0x1f, 0x77, 0xb4);
const QColor kRed(0xd6, 0x27, 0x28);

Series Wave(const std::string& name, double mean, double amplitude, bool sine) {
    Series s;
    s.name = name;
    for (int i = 0; i <= 200; ++i) {
        const double x = 0.05 * i;
        s.x.push_back(x);
        s.y.push_back(mean + amplitude * (sine ? std::sin(x) : std::cos(x)));
    }
    return s;
}

Chart TwoSeries() {
    Chart chart;
    chart.title = "Sea surface, 37 GHz";
    chart.xLabel = "Frequency (GHz)";
    chart.yLabel = "Brightness temperature (K)";
    chart.series = {Wave("V", 200, 50, true), Wave("H", 120, 30, false)};
    return chart;
}

// Values between 0 and 1: axis numbers need decimals.
Chart Emissivity() {
    Chart chart;
    chart.xLabel = "Frequency (GHz)";
    chart.yLabel = "Emissivity";
    Series v{"V", {}, {}}, h{"H", {}, {}};
    for (int f = 1; f <= 90; ++f) {
        v.x.push_back(f);
        v.y.push_back(0.58 - 0.001 * f);
        h.x.push_back(f);
        h.y.push_back(0.31 + 0.0005 * f);
    }
    chart.series = {v, h};
    return chart;
}

// Pixels within a small distance of a colour: the core of a line, not the
// antialiased fringe nor other elements of the chart.
int CountNear(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= 40 && std::abs(c.green() - colour.green()) <= 40 &&
                std::abs(c.blue() - colour.blue()) <= 40)
                ++count;
        }
    return count;
}

int DistinctColours(const QImage& image) {
    QList<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) {
            const QRgb c = image.pixel(x, y);
            if (!seen.contains(c)) seen.append(c);
            if (seen.size() > 20) return static_cast<int>(seen.size());
        }
    return static_cast<int>(seen.size());
}

QStringList FilesIn(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

std::string PathIn(const QTemporaryDir& dir, const char* name) { return dir.filePath(QString::fromUtf8(name)).toStdString(); }

struct SvgDocument {
    QString root;
    QStringList texts;     // the contents of the <text> elements
    QStringList families;  // their font-family attributes
    QString error;
};

SvgDocument ReadSvg(const std::string& path) {
    SvgDocument doc;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        doc.error = QStringLiteral("cannot open");
        return doc;
    }
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (doc.root.isEmpty()) doc.root = xml.name().toString();
        if (xml.name() == QLatin1String("text")) {
            doc.families << xml.attributes().value(QLatin1String("font-family")).toString();
            doc.texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        }
    }
    if (xml.hasError()) doc.error = xml.errorString();
    return doc;
}

TEST(ChartFile, LeavesTheCLocaleAsItWas) {
    // The first QApplication of a process sets the C locale from the
    // environment; under a Russian locale printf would then write decimal
    // commas. Qt does so only once per process, and caches its own idea of the
    // system locale, so this test comes first in the file (ctest runs every
    // test in a process of its own anyway).
    std::optional<std::string> savedLcAll;
    if (const char* v = std::getenv("LC_ALL")) savedLcAll = v;
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    setenv("LC_ALL", "ru_RU.UTF-8", 1);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string svg = PathIn(dir, "locale.svg");
    const std::string result = WriteChart(Emissivity(), svg);
    if (savedLcAll)
        setenv("LC_ALL", savedLcAll->c_str(), 1);
    else
        unsetenv("LC_ALL");
    ASSERT_EQ(result, "");
    EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    EXPECT_STREQ(text, "1.5");
    // The axis numbers have decimal points, not the locale's commas.
    const SvgDocument doc = ReadSvg(svg);
    ASSERT_TRUE(doc.error.isEmpty());
    EXPECT_TRUE(std::any_of(doc.texts.begin(), doc.texts.end(), [](const QString& t) { return t.startsWith(QLatin1String("0.")); }))
        << doc.texts.join('|').toStdString();
    EXPECT_FALSE(std::any_of(doc.texts.begin(), doc.texts.end(), [](const QString& t) { return t.startsWith(QLatin1String("0,")); }));
}

TEST(ChartFile, PngHasTheRequestedSizeAndBothSeriesColours) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = PathIn(dir, "sweep.png");
    ASSERT_EQ(WriteChart(TwoSeries(), path, 640, 400), "");

    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));
    EXPECT_EQ(image.width(), 640);
    EXPECT_EQ(image.height(), 400);
    // A 2-pixel line across the plot leaves hundreds of pixels of its colour;
    // the legend markers alone leave far fewer.
    EXPECT_GT(CountNear(image, kBlue), 400);
    EXPECT_GT(CountNear(image, kRed), 400);
    EXPECT_GT(DistinctColours(image), 10);
    // White background at the corners.
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(639, 399), QColor(Qt::white));
    EXPECT_EQ(FilesIn(dir), QStringList{QStringLiteral("sweep.png")});
}

TEST(ChartFile, DefaultSizeAndUpperCaseExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = PathIn(dir, "SWEEP.PNG");
    ASSERT_EQ(WriteChart(TwoSeries(), path), "");
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));
    EXPECT_EQ(image.size(), QSize(900, 560));
}

TEST(ChartFile, OneSeriesIsDrawnInItsOwnColourOnly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Chart chart = TwoSeries();
    chart.series = {Wave("H", 120, 30, false)};
    const std::string path = PathIn(dir, "h.png");
    ASSERT_EQ(WriteChart(chart, path, 640, 400), "");
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));
    // "H" is red even as the first series, and nothing is blue.
    EXPECT_GT(CountNear(image, kRed), 400);
    EXPECT_EQ(CountNear(image, kBlue), 0);
}

TEST(ChartFile, SameChartGivesTheSameImage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string first = PathIn(dir, "a.png"), second = PathIn(dir, "b.png");
    ASSERT_EQ(WriteChart(TwoSeries(), first, 500, 300), "");
    ASSERT_EQ(WriteChart(TwoSeries(), second, 500, 300), "");
    QImage a, b;
    ASSERT_TRUE(a.load(QString::fromStdString(first)));
    ASSERT_TRUE(b.load(QString::fromStdString(second)));
    EXPECT_EQ(a, b);
}

TEST(ChartFile, SvgIsXmlWithAxisTitlesAndLegendAsText) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = PathIn(dir, "sweep.svg");
    ASSERT_EQ(WriteChart(TwoSeries(), path), "");

    const SvgDocument doc = ReadSvg(path);
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    EXPECT_EQ(doc.root, QStringLiteral("svg"));
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("Frequency (GHz)"))) << doc.texts.join('|').toStdString();
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("Brightness temperature (K)")));
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("Sea surface, 37 GHz")));
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("V")));
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("H")));
    // The axis numbers are there too, without needless decimals.
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("10"))) << doc.texts.join('|').toStdString();
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("250")));
    // Every text names a generic family to fall back on.
    ASSERT_FALSE(doc.families.isEmpty());
    for (const QString& family : doc.families) EXPECT_TRUE(family.endsWith(QLatin1String(", sans-serif"))) << family.toStdString();
    // The document's size is the chart's size in CSS pixels (96 per inch).
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray svg = file.readAll();
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 900 560\"")) << svg.left(400).toStdString();
    EXPECT_TRUE(svg.contains("width=\"238.125mm\"")) << svg.left(400).toStdString();
    EXPECT_EQ(FilesIn(dir), QStringList{QStringLiteral("sweep.svg")});
}

// The texts that are numbers: the axis labels.
QStringList Numbers(const QStringList& texts) {
    QStringList numbers;
    for (const QString& t : texts) {
        bool ok = false;
        t.toDouble(&ok);
        if (ok) numbers << t;
    }
    return numbers;
}

TEST(ChartFile, AxisNumbersHaveJustEnoughDecimals) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = PathIn(dir, "emissivity.svg");
    ASSERT_EQ(WriteChart(Emissivity(), path), "");
    const SvgDocument doc = ReadSvg(path);
    ASSERT_TRUE(doc.error.isEmpty());
    const QStringList numbers = Numbers(doc.texts);
    ASSERT_GE(numbers.size(), 6) << doc.texts.join('|').toStdString();
    // Distinct (enough decimals) and not all padded with a trailing zero.
    EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()).size(), numbers.size()) << numbers.join('|').toStdString();
    QStringList decimal;
    for (const QString& n : numbers)
        if (n.contains(QLatin1Char('.'))) decimal << n;
    ASSERT_FALSE(decimal.isEmpty()) << numbers.join('|').toStdString();
    EXPECT_FALSE(std::all_of(decimal.begin(), decimal.end(), [](const QString& n) { return n.endsWith(QLatin1Char('0')); }))
        << numbers.join('|').toStdString();
    // The frequency axis has whole numbers only.
    EXPECT_TRUE(numbers.contains(QStringLiteral("0")) || numbers.contains(QStringLiteral("10")) ||
                numbers.contains(QStringLiteral("20")))
        << numbers.join('|').toStdString();
}

TEST(ChartFile, ASinglePointIsShown) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Chart chart = TwoSeries();
    chart.series = {Series{"H", {10.65}, {150.0}}};
    const std::string path = PathIn(dir, "point.png");
    ASSERT_EQ(WriteChart(chart, path, 400, 300), "");
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));
    EXPECT_GT(CountNear(image, kRed), 10);
}

TEST(ChartFile, ConstantAndTinyValuesGetDistinctAxisNumbers) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A flat line, and one that varies only in the 12th digit, and values in
    // units so small that fixed decimals would show zeros.
    const std::vector<std::vector<double>> cases = {
        {150.0, 150.0, 150.0}, {150.0, 150.0 + 1e-10, 150.0 - 1e-10}, {0.0, 0.0, 0.0}, {1e-8, 3e-8, 2e-8}};
    for (std::size_t c = 0; c < cases.size(); ++c) {
        Chart chart = TwoSeries();
        chart.series = {Series{"Tb", {1000.0, 2000.0, 3000.0}, cases[c]}};
        const std::string path = PathIn(dir, ("case" + std::to_string(c) + ".svg").c_str());
        ASSERT_EQ(WriteChart(chart, path), "") << c;
        const SvgDocument doc = ReadSvg(path);
        ASSERT_TRUE(doc.error.isEmpty());
        const QStringList numbers = Numbers(doc.texts);
        EXPECT_GE(numbers.size(), 6) << c << ": " << doc.texts.join('|').toStdString();
        EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()).size(), numbers.size())
            << c << ": " << numbers.join('|').toStdString();
    }
}

TEST(ChartFile, RefusesValuesTooLargeToDraw) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Chart chart = TwoSeries();
    chart.series[0].y[0] = 1.7e308;
    chart.series[0].y[1] = -1.7e308;
    EXPECT_NE(WriteChart(chart, PathIn(dir, "huge.png")), "");
    EXPECT_TRUE(FilesIn(dir).isEmpty());
}

TEST(ChartFile, TextsArePlainTextNotMarkup) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Chart chart = TwoSeries();
    chart.xLabel = "Tb <V> & <H> (K)";
    chart.series[0].name = "<b>V</b>";
    const std::string path = PathIn(dir, "markup.svg");
    ASSERT_EQ(WriteChart(chart, path), "");
    const SvgDocument doc = ReadSvg(path);
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("Tb <V> & <H> (K)"))) << doc.texts.join('|').toStdString();
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("<b>V</b>")));
}

TEST(ChartFile, NoLegendForASingleSeries) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Chart chart = TwoSeries();
    chart.series = {Wave("Lonely", 200, 50, true)};
    const std::string one = PathIn(dir, "one.svg");
    ASSERT_EQ(WriteChart(chart, one), "");
    SvgDocument doc = ReadSvg(one);
    ASSERT_TRUE(doc.error.isEmpty());
    EXPECT_FALSE(doc.texts.contains(QStringLiteral("Lonely")));

    chart.series.push_back(Wave("Other", 120, 30, false));
    const std::string two = PathIn(dir, "two.svg");
    ASSERT_EQ(WriteChart(chart, two), "");
    doc = ReadSvg(two);
    ASSERT_TRUE(doc.error.isEmpty());
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("Lonely")));
    EXPECT_TRUE(doc.texts.contains(QStringLiteral("Other")));
}

TEST(ChartFile, RefusesUnknownExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"chart.txt", "chart", "chart.png.bak", "png"}) {
        const std::string path = PathIn(dir, name);
        EXPECT_NE(WriteChart(TwoSeries(), path), "") << name;
    }
    EXPECT_TRUE(FilesIn(dir).isEmpty());
}

TEST(ChartFile, RefusesMismatchedLengths) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Chart chart = TwoSeries();
    chart.series[1].y.pop_back();
    const std::string message = WriteChart(chart, PathIn(dir, "chart.png"));
    EXPECT_NE(message, "");
    EXPECT_NE(message.find("\"H\""), std::string::npos) << message;
    EXPECT_TRUE(FilesIn(dir).isEmpty());
}

TEST(ChartFile, RefusesAnEmptyChart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Chart chart = TwoSeries();
    chart.series.clear();
    EXPECT_NE(WriteChart(chart, PathIn(dir, "none.svg")), "");
    chart.series = {Series{"V", {}, {}}, Series{"H", {}, {}}};
    EXPECT_NE(WriteChart(chart, PathIn(dir, "nopoints.png")), "");
    EXPECT_TRUE(FilesIn(dir).isEmpty());
}

TEST(ChartFile, RefusesValuesThatAreNotFinite) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Chart chart = TwoSeries();
    chart.series[0].y[7] = std::nan("");
    EXPECT_NE(WriteChart(chart, PathIn(dir, "nan.png")), "");
    chart = TwoSeries();
    chart.series[1].x[3] = HUGE_VAL;
    EXPECT_NE(WriteChart(chart, PathIn(dir, "inf.svg")), "");
    EXPECT_TRUE(FilesIn(dir).isEmpty());
}

TEST(ChartFile, RefusesSizesOutOfRange) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_NE(WriteChart(TwoSeries(), PathIn(dir, "zero.png"), 0, 400), "");
    EXPECT_NE(WriteChart(TwoSeries(), PathIn(dir, "negative.png"), 400, -5), "");
    EXPECT_NE(WriteChart(TwoSeries(), PathIn(dir, "huge.svg"), 100000, 400), "");
    EXPECT_TRUE(FilesIn(dir).isEmpty());
}

TEST(ChartFile, RefusesAPathInAMissingFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string png = PathIn(dir, "missing/chart.png");
    const std::string svg = PathIn(dir, "missing/chart.svg");
    EXPECT_NE(WriteChart(TwoSeries(), png), "");
    EXPECT_NE(WriteChart(TwoSeries(), svg), "");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(png)));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(svg)));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST(ChartFile, RefusesATargetThatIsAFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.png")));
    EXPECT_NE(WriteChart(TwoSeries(), PathIn(dir, "taken.png")), "");
    EXPECT_TRUE(FilesIn(dir).isEmpty());
}

TEST(ChartFile, ReplacesAnExistingFileWholeAndKeepsItOnRefusal) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = PathIn(dir, "chart.png");
    {
        QFile old(QString::fromStdString(path));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    Chart broken = TwoSeries();
    broken.series[0].x.pop_back();
    EXPECT_NE(WriteChart(broken, path), "");
    {
        QFile old(QString::fromStdString(path));
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("old contents"));
    }
    ASSERT_EQ(WriteChart(TwoSeries(), path, 300, 200), "");
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));
    EXPECT_EQ(image.size(), QSize(300, 200));
    EXPECT_EQ(FilesIn(dir), QStringList{QStringLiteral("chart.png")});
}

TEST(ChartFile, ManyCallsInOneProcess) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int i = 0; i < 4; ++i) {
        const std::string name = "chart" + std::to_string(i) + (i % 2 == 0 ? ".png" : ".svg");
        ASSERT_EQ(WriteChart(TwoSeries(), PathIn(dir, name.c_str()), 400, 300), "") << name;
    }
    EXPECT_EQ(FilesIn(dir).size(), 4);
    // The application created for each call is gone again.
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

TEST(ChartFile, UsesTheRunningApplication) {
    static int argc = 1;
    static char name[] = "test_plot";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = PathIn(dir, "inside.png");
    ASSERT_EQ(WriteChart(TwoSeries(), path, 400, 300), "");
    EXPECT_EQ(QCoreApplication::instance(), &app);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));
    EXPECT_GT(CountNear(image, kBlue), 200);
    EXPECT_GT(CountNear(image, kRed), 200);
}

TEST(ChartFile, RefusesAnApplicationWithoutWidgets) {
    static int argc = 1;
    static char name[] = "test_plot";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_NE(WriteChart(TwoSeries(), PathIn(dir, "core.png")), "");
    EXPECT_TRUE(FilesIn(dir).isEmpty());
}

}  // namespace
