// A bare Qt window that repaints a small text-sized area 20 times a second:
// the least any window redrawing at the launcher's rate can cost.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {
class Ticking : public QWidget {
public:
    int level = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(0, 0, level % 200));
    }
};
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Ticking w;
    w.setWindowTitle(QStringLiteral("ticking"));
    w.setFixedSize(316, 146);
    w.show();
    QTimer t;
    t.setTimerType(Qt::PreciseTimer);
    QObject::connect(&t, &QTimer::timeout, &w, [&w] {
        w.level += 5;
        w.update(QRect(0, 41, 100, 30));
    });
    t.start(50);
    return app.exec();
}
