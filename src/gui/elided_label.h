// A label of fixed size that shows a long text (a file path) with its middle
// replaced by an ellipsis rather than cut at the end.
#pragma once

#include <QLabel>

namespace seasky::gui {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The text as drawn in the current width.
    QString DisplayedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace seasky::gui
