// A bare Qt window of the launcher's size, built with the same flags: the
// reference for start-up time, idle cost and memory.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("bare"));
    w.setFixedSize(316, 146);
    w.show();
    return app.exec();
}
