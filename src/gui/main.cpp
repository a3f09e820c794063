// Start-up of the window. Besides the window itself, three options serve
// automation (the screenshot script): --load FILE, --calculate and
// --screenshot FILE.PNG (grab the screen after showing, then quit; a refused
// file or input is printed to standard error and ends the run with status 2).
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "gui/application.h"
#include "gui/main_window.h"
#include "gui/user_interaction.h"

int main(int argc, char** argv) {
    seasky::gui::SeaskyApplication app(argc, argv);
    seasky::gui::EnsureTahoma();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("seasky: the ocean-atmosphere radiation window"));
    parser.addHelpOption();
    const QCommandLineOption load(QStringLiteral("load"), QStringLiteral("Load a profile file at start"),
                                  QStringLiteral("file"));
    const QCommandLineOption calculate(QStringLiteral("calculate"), QStringLiteral("Press the calculate button"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the screen and quit"),
                                        QStringLiteral("png"));
    parser.addOptions({load, calculate, screenshot});
    parser.process(app);

    // An unattended run (--screenshot) shows no message box: a refused file or
    // input is printed and the run ends with status 2.
    seasky::gui::DesktopInteraction desktop;
    seasky::gui::UnattendedInteraction unattended;
    const bool automated = parser.isSet(screenshot);
    seasky::gui::UserInteraction& interaction =
        automated ? static_cast<seasky::gui::UserInteraction&>(unattended) : desktop;
    app.SetInteraction(&interaction);
    seasky::gui::TForm2 window(interaction);
    window.show();
    if (parser.isSet(load)) window.LoadProfile(parser.value(load));
    if (parser.isSet(calculate)) window.ButCalcClick();
    if (automated && unattended.messages() > 0) return 2;
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(1500, &app, [&app, &window, file] {
            QScreen* screen = window.screen();
            const QPixmap picture = screen->grabWindow(0, 0, 0, window.frameGeometry().right() + 1,
                                                       window.frameGeometry().bottom() + 1);
            const bool saved = picture.save(file);
            app.exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
