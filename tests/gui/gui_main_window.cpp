// The main window driven headless: key filter, loading, calculating and every
// message path, with a scripted person in place of the dialogs.
#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/data_paths.h"
#include "app/profile_reader.h"
#include "gui/application.h"
#include "gui/elided_label.h"
#include "gui/main_window.h"
#include "gui/user_interaction.h"

using namespace seasky::gui;

namespace {

// Answers the dialogs from a script and records what the window showed.
class ScriptedPerson : public UserInteraction {
public:
    QStringList files;  // answers of the open dialog, in turn; an empty name cancels
    QStringList messages;
    QStringList errors;
    int beeps = 0;
    QString lastFilter;
    QString lastFolder;

    std::optional<QString> ChooseFileToOpen(QWidget*, const QString& folder, const QString& filter) override {
        lastFolder = folder;
        lastFilter = filter;
        const QString answer = files.isEmpty() ? QString() : files.takeFirst();
        if (answer.isEmpty()) return std::nullopt;
        return answer;
    }
    void Beep() override { ++beeps; }
    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
    void ShowError(QWidget*, const QString& text) override { errors << text; }
};

QStringList Lines(const QPlainTextEdit* memo) {
    QString text = memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QList<QPointF> Points(const QLineSeries* series) { return series->points(); }

const char* const kThreeLevels = "3\n0 288.15 1013.25 11.5 0\n1000 281.65 898.76 7.1 0.2\n2000 275.15 795.01 4.3 0\n";
const char* const kTwoLevels = "2\n100 290 1000 10 0\n5000 260 550 1 0\n";

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString Write(const QString& name, const QByteArray& contents) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(contents);
        return path;
    }
    // Types characters one key at a time into an edit.
    static void Type(QLineEdit* edit, const QString& keys) {
        for (QChar c : keys) QTest::keyClick(edit, c.toLatin1());
    }

private slots:
    void initTestCase() {
        EnsureTahoma();
        QVERIFY(dir_.isValid());
    }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void startUpState() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        ScriptedPerson person;
        TForm2 w(person);
        QCOMPARE(w.windowTitle(), QString::fromUtf8("Расчет излучения системы \"океан-атмосфера\""));
        QCOMPARE(w.size(), QSize(942, 693));
        QCOMPARE(w.minimumSize(), w.maximumSize());  // not resizable
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(w.EditFreq->text(), QStringLiteral("18,7"));
        QCOMPARE(w.EditTet->text(), QStringLiteral("53,1"));
        QCOMPARE(w.EditFi->text(), QStringLiteral("0"));
        QCOMPARE(w.EditTs->text(), QStringLiteral("20"));
        QCOMPARE(w.EditSol->text(), QStringLiteral("35"));
        QCOMPARE(w.EditWind->text(), QStringLiteral("10"));
        QCOMPARE(w.Edit_dF->text(), QStringLiteral("0"));
        QVERIFY(!w.Edit_dF->isEnabled());
        QCOMPARE(w.Edit_dF->focusPolicy(), Qt::NoFocus);
        QCOMPARE(w.LabelProf->text(), QString::fromUtf8("Нет профиля атмосферы."));
        QVERIFY(!w.ButCalc->isEnabled());
        QVERIFY(Lines(w.Memo1).isEmpty());
        QVERIFY(Lines(w.Memo2).isEmpty());
        QCOMPARE(w.GroupBox1->title(), QString::fromUtf8("Основные параметры:"));
        QCOMPARE(w.GroupBox1->geometry(), QRect(8, 8, 433, 201));
        QCOMPARE(w.EditWind->geometry(), QRect(253, 148, 50, 21));
        QCOMPARE(w.Labels[12]->text(), QString::fromUtf8("Полоса частот принимаемого излучения (ГГц):"));
        QCOMPARE(w.Labels[12]->geometry().right() + 1, 252);
        QCOMPARE(QFontInfo(w.EditFreq->font()).family(), QStringLiteral("Tahoma"));
        // The longest caption fits its label.
        QVERIFY(w.Labels[12]->fontMetrics().horizontalAdvance(w.Labels[12]->text()) <= w.Labels[12]->width());
        // The start-up texts follow the user's separator.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        TForm2 english(person);
        QCOMPARE(english.EditFreq->text(), QStringLiteral("18.7"));
        QCOMPARE(english.EditTet->text(), QStringLiteral("53.1"));
    }

    void keyFilter_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::newRow("comma locale: full stop types a comma") << "ru" << "2.5" << "2,5";
        QTest::newRow("point locale: comma types a full stop") << "en" << "2,5" << "2.5";
        QTest::newRow("second separator ignored") << "ru" << "2.5.,1" << "2,51";
        QTest::newRow("minus once") << "ru" << "--1" << "-1";
        QTest::newRow("minus after digits accepted") << "ru" << "12-" << "12-";
        QTest::newRow("letters blank plus e ignored") << "ru" << "1a b+e2" << "12";
    }
    void keyFilter() {
        QFETCH(QString, locale);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QLocale::setDefault(locale == "ru" ? QLocale(QLocale::Russian, QLocale::Russia)
                                           : QLocale(QLocale::English, QLocale::UnitedStates));
        ScriptedPerson person;
        TForm2 w(person);
        w.EditFreq->clear();
        Type(w.EditFreq, keys);
        QCOMPARE(w.EditFreq->text(), expected);
    }

    void keyFilterBackspaceEnterAndShortcuts() {
        ScriptedPerson person;
        TForm2 w(person);
        w.EditTs->setText(QStringLiteral("123"));
        w.EditTs->setCursorPosition(3);
        QTest::keyClick(w.EditTs, Qt::Key_Backspace);
        QCOMPARE(w.EditTs->text(), QStringLiteral("12"));
        QTest::keyClick(w.EditTs, Qt::Key_Return);
        QTest::keyClick(w.EditTs, Qt::Key_Escape);
        QCOMPARE(w.EditTs->text(), QStringLiteral("12"));
        // The select-all and paste shortcuts type control characters: discarded.
        QApplication::clipboard()->setText(QStringLiteral("999"));
        QTest::keyClick(w.EditTs, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.EditTs->text(), QStringLiteral("12"));
        // The whole text decides: with "1,5" selected, a separator is still refused.
        w.EditTs->setText(QStringLiteral("1,5"));
        w.EditTs->selectAll();
        QTest::keyClick(w.EditTs, ',');
        QCOMPARE(w.EditTs->text(), QStringLiteral("1,5"));
        // Keys without a character still move the cursor.
        w.EditTs->setCursorPosition(0);
        QTest::keyClick(w.EditTs, Qt::Key_End);
        QCOMPARE(w.EditTs->cursorPosition(), 3);
    }

    void loadFillsChartsAndEnablesCalculation() {
        ScriptedPerson person;
        TForm2 w(person);
        const QString first = Write(QStringLiteral("three.txt"), kThreeLevels);
        const QString second = Write(QStringLiteral("two.txt"), kTwoLevels);
        person.files = {QString()};  // cancelled: nothing changes
        w.ButLoadProf->click();
        QVERIFY(!w.ButCalc->isEnabled());
        QCOMPARE(w.LabelProf->text(), QString::fromUtf8("Нет профиля атмосферы."));
        QCOMPARE(person.lastFilter, QString::fromUtf8("Файл профиля(*.txt)|*.txt"));
        QVERIFY(QFileInfo(person.lastFolder + QStringLiteral("/midlatitude-summer.txt")).isFile());
        // The dialog opens in the share/seasky/profiles of the tree the program
        // belongs to (here the build tree's), not in the source tree.
        QVERIFY(person.lastFolder.endsWith(QStringLiteral("/share/seasky/profiles")));
        QCOMPARE(QDir(person.lastFolder).canonicalPath(),
                 QDir(QString::fromStdString(seasky::InstalledDataFolder("profiles").value().string())).canonicalPath());

        person.files = {first};
        w.ButLoadProf->click();
        QVERIFY(w.ButCalc->isEnabled());
        QCOMPARE(w.LabelProf->text(), QDir::toNativeSeparators(first));
        QCOMPARE(w.Profile().levelCount, 3);
        QCOMPARE(Points(w.SerTa), (QList<QPointF>{{288.15, 0}, {281.65, 1000}, {275.15, 2000}}));
        QCOMPARE(Points(w.SerP), (QList<QPointF>{{1013.25, 0}, {898.76, 1000}, {795.01, 2000}}));
        QCOMPARE(Points(w.SerR), (QList<QPointF>{{11.5, 0}, {7.1, 1000}, {4.3, 2000}}));
        QCOMPARE(Points(w.SerWcl), (QList<QPointF>{{0, 0}, {0.2, 1000}, {0, 2000}}));
        QCOMPARE(w.SerTa->pen().color(), QColor(255, 0, 0));
        QCOMPARE(w.SerTa->pen().width(), 2);
        QVERIFY(!w.Chart1->chart()->legend()->isVisible());

        person.files = {second};  // a second load replaces every point
        w.ButLoadProf->click();
        QCOMPARE(Points(w.SerTa), (QList<QPointF>{{290, 100}, {260, 5000}}));
        QCOMPARE(Points(w.SerWcl), (QList<QPointF>{{0, 100}, {0, 5000}}));
        QCOMPARE(person.beeps, 0);
        QVERIFY(person.messages.isEmpty());
    }

    void soundingsAreProfilesInTheWindowToo() {
        // A radiosonde listing as downloaded (University of Wyoming; IGRA 2)
        // is a profile wherever one is read: the window draws what the reader
        // converted, and the calculation is enabled.
        ScriptedPerson person;
        TForm2 w(person);
        for (const char* file : {"/tests/data/sounding-wyoming.txt", "/tests/data/sounding-igra2.txt"}) {
            const QString path = QStringLiteral(SEASKY_SOURCE_DIR) + QString::fromUtf8(file);
            const seasky::ProfileReadResult expected = seasky::ReadProfileFile(path.toStdString());
            QVERIFY(expected.ok);
            person.files = {path};
            w.ButLoadProf->click();
            QVERIFY(w.ButCalc->isEnabled());
            QCOMPARE(w.Profile().levelCount, expected.profile.levelCount);
            QCOMPARE(w.Profile().absoluteHumidity, expected.profile.absoluteHumidity);
            QCOMPARE(Points(w.SerTa).size(), expected.profile.levelCount);
        }
        QVERIFY(person.errors.isEmpty());
    }

    void refusedAndMissingFilesKeepTheEarlierProfile() {
        ScriptedPerson person;
        TForm2 w(person);
        const QString good = Write(QStringLiteral("good.txt"), kThreeLevels);
        const QString bad = Write(QStringLiteral("bad.txt"), "2\n0 288,15 1013 10 0\n1000 280 900 5 0\n");
        const QString missing = dir_.filePath(QString::fromUtf8("нет такого.txt"));
        person.files = {good, bad, missing};
        w.ButLoadProf->click();
        const QList<QPointF> before = Points(w.SerP);

        w.ButLoadProf->click();  // refused by the reader
        QCOMPARE(person.beeps, 1);
        QCOMPARE(person.messages.size(), 1);
        QVERIFY(person.messages[0].contains(QString::fromUtf8("уровень 1, давление")));
        QCOMPARE(w.LabelProf->text(), QDir::toNativeSeparators(bad));
        QCOMPARE(w.Profile().levelCount, 3);
        QCOMPARE(Points(w.SerP), before);
        QVERIFY(w.ButCalc->isEnabled());

        w.ButLoadProf->click();  // cannot be opened
        QCOMPARE(person.beeps, 2);
        QCOMPARE(person.messages.last(), QString::fromUtf8("Не могу открыть файл\n") + missing);
        QCOMPARE(w.LabelProf->text(), QDir::toNativeSeparators(missing));
        QCOMPARE(w.Profile().levelCount, 3);
        QCOMPARE(Points(w.SerP), before);

        // Before any successful load a refused file leaves the button disabled.
        ScriptedPerson other;
        TForm2 fresh(other);
        other.files = {bad};
        fresh.ButLoadProf->click();
        QVERIFY(!fresh.ButCalc->isEnabled());
        QVERIFY(Points(fresh.SerTa).isEmpty());
    }

    void calculationAndItsFailures() {
        ScriptedPerson person;
        TForm2 w(person);
        person.files = {Write(QStringLiteral("calc.txt"), kThreeLevels)};
        w.ButLoadProf->click();
        w.ButCalc->click();
        const QStringList captions = Lines(w.Memo1);
        const QStringList values = Lines(w.Memo2);
        QCOMPARE(captions.size(), 7);
        QCOMPARE(values.size(), 7);
        QCOMPARE(captions[0], QString::fromUtf8("Вертикальная поляризация"));
        QCOMPARE(captions[6], QString::fromUtf8("Интегральное поглощение атмосферы"));
        for (const QString& v : values) {
            bool ok = false;
            QLocale(QLocale::Russian).toDouble(v, &ok);
            QVERIFY2(ok, qPrintable(v));
            QVERIFY(!v.contains(QLatin1Char('.')));
        }
        QVERIFY(person.messages.isEmpty());

        // Out of range: beep, the message, and the fourteen lines stay.
        w.EditWind->setText(QStringLiteral("20,5"));
        w.ButCalc->click();
        QCOMPARE(person.beeps, 1);
        QCOMPARE(person.messages.last(),
                 QString::fromUtf8("Введено неверное значение скорости ветра!\nДиапазон допустимых значений от 0 до 20 м/с"));
        QCOMPARE(Lines(w.Memo1), captions);
        QCOMPARE(Lines(w.Memo2), values);

        // Not a number: the conversion error, no beep, lines unchanged.
        w.EditWind->setText(QStringLiteral("10"));
        w.EditTet->setText(QStringLiteral("12-"));
        w.ButCalc->click();
        QCOMPARE(person.errors.size(), 1);
        QCOMPARE(person.errors[0], QStringLiteral("'12-' is not a valid floating point value"));
        QCOMPARE(person.beeps, 1);
        QCOMPARE(Lines(w.Memo2), values);

        // A point locale calculates the same numbers, written with ".".
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        ScriptedPerson english;
        TForm2 e(english);
        english.files = {dir_.filePath(QStringLiteral("calc.txt"))};
        e.ButLoadProf->click();
        e.ButCalc->click();
        const QStringList pointValues = Lines(e.Memo2);
        QCOMPARE(pointValues.size(), 7);
        for (int i = 0; i < 7; ++i) QCOMPARE(QString(pointValues[i]).replace('.', ','), values[i]);
    }

    void longPathIsElidedInTheMiddle() {
        ScriptedPerson person;
        TForm2 w(person);
        const QString path = QStringLiteral("/home/") + QString(200, QLatin1Char('a')) + QStringLiteral("/profile-end.txt");
        w.LabelProf->setText(path);
        const QString shown = w.LabelProf->DisplayedText();
        QVERIFY(shown.startsWith(QStringLiteral("/home/")));
        QVERIFY(shown.endsWith(QStringLiteral("profile-end.txt")));
        QVERIFY(shown.contains(QChar(0x2026)));
        QVERIFY(w.LabelProf->fontMetrics().horizontalAdvance(shown) <= w.LabelProf->width());
    }

    void exceptionsReachingTheEventLoopAreShown() {
        // An event handler that throws: the application shows the error and goes on.
        class Throwing : public QObject {
        public:
            bool event(QEvent* e) override {
                if (e->type() == QEvent::User) throw std::runtime_error("сбой обработчика");
                return QObject::event(e);
            }
        };
        auto* app = static_cast<SeaskyApplication*>(QCoreApplication::instance());
        ScriptedPerson person;
        app->SetInteraction(&person);
        Throwing target;
        QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        app->SetInteraction(nullptr);
        QCOMPARE(person.errors, QStringList{QString::fromUtf8("сбой обработчика")});
    }

    void longProfilesAreDrawnInOneCallPerSeries() {
        // 20000 levels: each series filled by one replacement (adding point by
        // point redraws after every point), the busy cursor shown meanwhile gone
        // afterwards, and the calculation given every level.
        QByteArray text = "20000\n";
        for (int i = 0; i < 20000; ++i)
            text += QByteArray::number(i * 1.5) + " " + QByteArray::number(288.0 - i * 0.001) + " " +
                    QByteArray::number(1013.0 - i * 0.01) + " " + QByteArray::number(5.0 + (i % 97 == 0 ? 3.0 : 0.0)) +
                    " 0\n";
        ScriptedPerson person;
        TForm2 w(person);
        QSignalSpy added(w.SerTa, &QXYSeries::pointAdded);
        QSignalSpy replaced(w.SerTa, &QXYSeries::pointsReplaced);
        person.files = {Write(QStringLiteral("sonde.txt"), text)};
        w.ButLoadProf->click();
        QCOMPARE(w.Profile().levelCount, 20000);
        QCOMPARE(added.count(), 0);
        QCOMPARE(replaced.count(), 1);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        // The charts draw at most two levels per bucket plus both ends, every
        // one a level of the file, in level order, the ends and the extremes
        // among them: the spikes of humidity every 97th level are all drawn.
        for (QLineSeries* s : {w.SerTa, w.SerP, w.SerR, w.SerWcl}) {
            QVERIFY(s->count() <= 2 * static_cast<int>(kDrawnBuckets) + 2);
            QVERIFY(s->count() >= static_cast<int>(kDrawnBuckets));
            QCOMPARE(s->at(0).y(), 0.0);
            QCOMPARE(s->at(s->count() - 1).y(), 19999 * 1.5);
            for (int k = 1; k < s->count(); ++k) QVERIFY(s->at(k).y() > s->at(k - 1).y());
        }
        QCOMPARE(w.SerP->at(w.SerP->count() - 1), QPointF(1013.0 - 19999 * 0.01, 19999 * 1.5));
        int spikes = 0;
        for (int k = 0; k < w.SerR->count(); ++k) {
            const QPointF p = w.SerR->at(k);
            const int level = qRound(p.y() / 1.5);
            QCOMPARE(p.x(), level % 97 == 0 ? 8.0 : 5.0);
            spikes += level % 97 == 0;
        }
        QCOMPARE(spikes, 19999 / 97 + 1);
        // A short profile is drawn level by level.
        const std::vector<double> h{0.0, 1.0, 2.0}, v{3.0, 1.0, 2.0};
        QCOMPARE(DrawnPoints(v, h), (QList<QPointF>{{3.0, 0.0}, {1.0, 1.0}, {2.0, 2.0}}));
        // A refused file restores the cursor too, and keeps the charts.
        const int drawn = w.SerTa->count();
        person.files = {Write(QStringLiteral("bad.txt"), "x")};
        w.ButLoadProf->click();
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(w.SerTa->count(), drawn);
    }

    void unattendedRunPrintsARefusalAndFails() {
        // --screenshot shows no message box: the refusal goes to standard error
        // and the program ends with status 2 instead of waiting for a button.
        const QString bad = Write(QStringLiteral("refused.txt"), "levels 3\n");
        QProcess gui;
        gui.start(QStringLiteral(SEASKY_GUI_PROGRAM),
                  {QStringLiteral("--load"), bad, QStringLiteral("--screenshot"), dir_.filePath(QStringLiteral("s.png"))});
        QVERIFY(gui.waitForFinished(60000));
        QCOMPARE(gui.exitStatus(), QProcess::NormalExit);
        QCOMPARE(gui.exitCode(), 2);
        QVERIFY(QString::fromUtf8(gui.readAllStandardError()).contains(QString::fromUtf8("число уровней")));
        QVERIFY(!QFileInfo::exists(dir_.filePath(QStringLiteral("s.png"))));
    }

    void filterInTheToolkitForm() {
        QCOMPARE(ToToolkitFilter(QString::fromUtf8("Файл профиля(*.txt)|*.txt")), QString::fromUtf8("Файл профиля(*.txt)"));
        QCOMPARE(ToToolkitFilter(QStringLiteral("Text|*.txt")), QStringLiteral("Text (*.txt)"));
    }
};

int main(int argc, char** argv) {
    SeaskyApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "gui_main_window.moc"
