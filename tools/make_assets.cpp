// Draws the launcher's icon strips (ico.bmp, ico1.bmp) and synthesises its
// alarm chime (bg.wav) into the given folder.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const QColor kOutline(24, 24, 40);   // never pure black: black is transparent

void drawNormal(QPainter& p, int ox) {
    // A blue tile with a white "launch" arrow.
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(70, 120, 230));
    p.drawRoundedRect(ox + 3, 3, 26, 26, 6, 6);
    QPainterPath arrow;
    arrow.moveTo(ox + 10, 22);
    arrow.lineTo(ox + 20, 12);
    p.setPen(QPen(QColor(255, 255, 255), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(arrow);
    p.setBrush(QColor(255, 255, 255));
    p.setPen(Qt::NoPen);
    QPolygon head;
    head << QPoint(ox + 23, 9) << QPoint(ox + 14, 10) << QPoint(ox + 22, 18);
    p.drawPolygon(head);
}

void drawPending(QPainter& p, int ox) {
    // A yellow tile with a green plus: "where shall it go?"
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(255, 214, 60));
    p.drawRoundedRect(ox + 3, 3, 26, 26, 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 150, 60));
    p.drawRect(ox + 14, 8, 4, 16);
    p.drawRect(ox + 8, 14, 16, 4);
}

void drawOverwrite(QPainter& p, int ox) {
    // A red warning triangle with a white "!".
    QPolygon tri;
    tri << QPoint(ox + 16, 2) << QPoint(ox + 30, 28) << QPoint(ox + 2, 28);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(225, 50, 50));
    p.drawPolygon(tri);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(ox + 14, 10, 4, 10);
    p.drawRect(ox + 14, 22, 4, 4);
}

void drawNote(QPainter& p, int ox, int dy, const QColor& c) {
    // An eighth note that bobs up and down.
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QRect(ox + 6, 19 + dy, 10, 8));
    p.drawRect(ox + 14, 5 + dy, 3, 18);
    QPolygon flag;
    flag << QPoint(ox + 17, 5 + dy) << QPoint(ox + 27, 11 + dy) << QPoint(ox + 17, 13 + dy);
    p.drawPolygon(flag);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRect(ox + 6, 19 + dy, 10, 8));
}

bool saveStrip(const QString& path, void (*paint)(QPainter&)) {
    QImage img(96, 32, QImage::Format_RGB32);
    img.fill(qRgb(0, 0, 0));
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        paint(p);
    }
    return img.save(path, "BMP");
}

void put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x & 0xff));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>((x >> (8 * i)) & 0xff));
}

bool saveChime(const QString& path) {
    // Two bell-like strikes (E6 then A6), 0.45 s in all, 22050 Hz mono.
    const int rate = 22050;
    const int n = rate * 45 / 100;
    std::vector<int16_t> s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        const double strikes[2][2] = {{0.0, 1318.5}, {0.15, 1760.0}};
        for (const auto& st : strikes) {
            const double u = t - st[0];
            if (u < 0) continue;
            const double env = std::exp(-u * 9.0) * std::min(1.0, u * 400.0);
            v += env * (std::sin(2 * M_PI * st[1] * u) + 0.35 * std::sin(2 * M_PI * st[1] * 2.76 * u));
        }
        s[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(std::clamp(v * 0.45, -1.0, 1.0) * 32000));
    }
    std::vector<uint8_t> w;
    const uint32_t dataBytes = static_cast<uint32_t>(n * 2);
    w.insert(w.end(), {'R', 'I', 'F', 'F'});
    put32(w, 36 + dataBytes);
    w.insert(w.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(w, 16);
    put16(w, 1);
    put16(w, 1);
    put32(w, rate);
    put32(w, rate * 2);
    put16(w, 2);
    put16(w, 16);
    w.insert(w.end(), {'d', 'a', 't', 'a'});
    put32(w, dataBytes);
    for (int16_t x : s) put16(w, static_cast<uint16_t>(x));
    FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(w.data(), 1, w.size(), f) == w.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_assets <folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = saveStrip(dir + "/ico.bmp", [](QPainter& p) {
        drawPending(p, 0);
        drawNormal(p, 32);
        drawOverwrite(p, 64);
    });
    ok = saveStrip(dir + "/ico1.bmp", [](QPainter& p) {
        drawNote(p, 0, 2, QColor(240, 90, 160));
        drawNote(p, 32, -1, QColor(250, 170, 40));
        drawNote(p, 64, 1, QColor(80, 200, 120));
    }) && ok;
    ok = saveChime(dir + "/bg.wav") && ok;
    return ok ? 0 : 1;
}
