#include "gui/user_interaction.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>

namespace seasky::gui {

QString ToToolkitFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0) return filter;
    const QString description = filter.left(bar);
    const QString pattern = filter.mid(bar + 1);
    if (description.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))) return description;
    return description + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

std::optional<QString> DesktopInteraction::ChooseFileToOpen(QWidget* parent, const QString& startFolder,
                                                            const QString& filter) {
    const QString name = QFileDialog::getOpenFileName(parent, QString(), startFolder, ToToolkitFilter(filter));
    if (name.isEmpty()) return std::nullopt;
    return name;
}

void DesktopInteraction::Beep() { QApplication::beep(); }

void DesktopInteraction::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
}

void DesktopInteraction::ShowError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
}

void UnattendedInteraction::ShowMessage(QWidget*, const QString& text) {
    ++messages_;
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

void UnattendedInteraction::ShowError(QWidget* parent, const QString& text) { ShowMessage(parent, text); }

}  // namespace seasky::gui
