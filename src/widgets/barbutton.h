#pragma once
// A button of the window's control bar: a flat tool button with the style's
// icon and a tooltip for its name, never taking the keyboard focus (the keys
// belong to the charts).

#include <QString>
#include <QStyle>
#include <QToolButton>

namespace kordel {

inline QToolButton* makeBarButton(QWidget* parent, const char* name, const QString& hint,
                                  QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace kordel
