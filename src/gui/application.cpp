#include "gui/application.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <exception>

#include "gui/user_interaction.h"

namespace seasky::gui {

SeaskyApplication::SeaskyApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("seasky"));
    setApplicationDisplayName(QStringLiteral("seasky"));
}

bool SeaskyApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        DesktopInteraction desktop;
        UserInteraction& shown = interaction_ != nullptr ? *interaction_ : desktop;
        shown.ShowError(activeWindow(), QString::fromUtf8(e.what()));
    } catch (...) {
        DesktopInteraction desktop;
        UserInteraction& shown = interaction_ != nullptr ? *interaction_ : desktop;
        shown.ShowError(activeWindow(), QStringLiteral("Непредвиденная ошибка"));
    }
    return false;
}

QString EnsureTahoma() {
    const QString family = QStringLiteral("Tahoma");
    if (QFontDatabase::families().contains(family, Qt::CaseInsensitive)) return family;
    // Only the regular face: the bold face of that package renders its outlines
    // poorly when antialiased, and the bold synthesised from the regular face
    // keeps the Tahoma metrics.
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive) ? family : QFontInfo(QFont()).family();
}

}  // namespace seasky::gui
