#pragma once
// A record window's root shown in a 1600 × 900 parent, as the plot benchmarks measure it.

#include <QCoreApplication>
#include <QVBoxLayout>
#include <QWidget>

namespace bench {

// Lays root into parent, sizes it to 1600 × 900 and shows it. The window is mapped once its
// expose event is handled; only then does a repaint paint, so that event is handled here.
inline void showAt1600x900(QWidget &parent, QWidget *root)
{
    auto *layout = new QVBoxLayout(&parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(root);
    parent.resize(1600, 900);
    parent.show();
    QCoreApplication::processEvents();
}

} // namespace bench
