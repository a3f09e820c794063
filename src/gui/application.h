// The application object of the window: registers the window's font and shows
// exceptions that reach the event loop instead of ending the program.
#pragma once

#include <QApplication>

namespace seasky::gui {

class UserInteraction;

class SeaskyApplication : public QApplication {
    Q_OBJECT
public:
    SeaskyApplication(int& argc, char** argv);
    // Where exceptions of event handlers are shown (the desktop message box by default).
    void SetInteraction(UserInteraction* interaction) { interaction_ = interaction; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    UserInteraction* interaction_ = nullptr;
};

// Makes "Tahoma" available: the system's, or the metric-compatible Tahoma shipped
// with Debian's fonts-wine, registered with the application. Returns the family
// the window will use.
QString EnsureTahoma();

}  // namespace seasky::gui
