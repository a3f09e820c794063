#include "gui/elided_label.h"

#include <QPainter>
#include <QStyle>

namespace seasky::gui {

QString ElidedLabel::DisplayedText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(), isEnabled(),
                          DisplayedText(), foregroundRole());
}

}  // namespace seasky::gui
