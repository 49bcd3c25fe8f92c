#pragma once
// The 2-pixel splitter below a channel panel. Dragging it with the left button
// reports how far the pointer has moved vertically since the press; the main
// window resizes the panel above it.

#include <QFrame>

class ChannelSplitter : public QFrame {
    Q_OBJECT
public:
    explicit ChannelSplitter(int index, QWidget* parent = nullptr);

    int Tag() const { return index_; }

signals:
    // The left button went down on the splitter.
    void DragStarted(ChannelSplitter* splitter);
    // The pointer is `dy` pixels below (negative: above) where it was pressed.
    void Dragged(ChannelSplitter* splitter, int dy);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int index_;
    bool dragging_ = false;
    int pressY_ = 0;
};
