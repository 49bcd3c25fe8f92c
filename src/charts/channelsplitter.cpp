#include "charts/channelsplitter.h"

#include <QMouseEvent>

ChannelSplitter::ChannelSplitter(int index, QWidget* parent) : QFrame(parent), index_(index) {
    setCursor(Qt::SplitVCursor);
}

void ChannelSplitter::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QFrame::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    pressY_ = qRound(event->globalPosition().y());
    emit DragStarted(this);
    event->accept();
}

void ChannelSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        QFrame::mouseMoveEvent(event);
        return;
    }
    emit Dragged(this, qRound(event->globalPosition().y()) - pressY_);
    event->accept();
}

void ChannelSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        emit Dragged(this, qRound(event->globalPosition().y()) - pressY_);
        dragging_ = false;
        event->accept();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}
