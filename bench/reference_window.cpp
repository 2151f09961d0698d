// The reference for the launcher's running costs: a plain Qt window of the
// launcher's size that redraws an area the size of its drawing surface 20
// times a second in a new colour, with a short Japanese text in the
// launcher's font. Whatever the launcher costs beyond this is its own.
#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QTimer>
#include <QWidget>

namespace {
class Reference : public QWidget {
public:
    int level = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(QRect(8, 0, 300, 126), QColor(192, 192, level % 200));
        p.setFont(font_);
        p.setPen(QColor(0, 0, level % 200));
        p.drawText(9, 93, QStringLiteral("ローカルIP:192.0.2.2"));
    }

private:
    QFont font_ = [] {
        QFont f(QStringLiteral("IPAGothic"));
        f.setPixelSize(13);
        f.setBold(true);
        return f;
    }();
};
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    Reference w;
    w.setWindowTitle(QStringLiteral("reference"));
    w.setFixedSize(316, 146);
    w.setAttribute(Qt::WA_OpaquePaintEvent);
    w.show();
    QTimer t;
    t.setTimerType(Qt::PreciseTimer);
    QObject::connect(&t, &QTimer::timeout, &w, [&w] {
        w.level += 5;
        w.update(QRect(8, 0, 300, 126));
    });
    t.start(50);
    return app.exec();
}
