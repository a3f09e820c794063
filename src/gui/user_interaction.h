// What the window asks of the person in front of it: a file to open, a beep and
// modal messages. The window is given an implementation, so that tests can
// answer in place of a person.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace seasky::gui {

class UserInteraction {
public:
    virtual ~UserInteraction() = default;
    // A modal open dialog; nothing when the user cancels. filter is in the form
    // "Description(*.ext)|*.ext".
    virtual std::optional<QString> ChooseFileToOpen(QWidget* parent, const QString& startFolder,
                                                    const QString& filter) = 0;
    // The system's default message beep.
    virtual void Beep() = 0;
    // A modal message box with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // The display of an error that ended an action (a text that is not a number,
    // an unexpected failure); modal, with an OK button.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
};

// The real dialogs and message boxes of the toolkit.
class DesktopInteraction final : public UserInteraction {
public:
    std::optional<QString> ChooseFileToOpen(QWidget* parent, const QString& startFolder,
                                            const QString& filter) override;
    void Beep() override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
};

// For unattended runs (--screenshot): no dialogs; messages go to standard error
// and are counted, so that the run can end with a failure instead of waiting
// for a button nobody will press.
class UnattendedInteraction final : public UserInteraction {
public:
    std::optional<QString> ChooseFileToOpen(QWidget*, const QString&, const QString&) override { return std::nullopt; }
    void Beep() override {}
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    int messages() const { return messages_; }

private:
    int messages_ = 0;
};

// "Description(*.ext)|*.ext" in the toolkit's form "Description (*.ext)"; the
// description is kept as it is when it already ends with the pattern in brackets.
QString ToToolkitFilter(const QString& filter);

}  // namespace seasky::gui
