// Draws the application icon for the desktop's menus: a scalable SVG and
// PNG renderings of the same shapes at the usual hicolor sizes.
//   make_app_icon <folder>   writes <folder>/<size>x<size>/sorvel_p.png
//                            and <folder>/scalable/sorvel_p.svg
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// The design on a 256 x 256 grid: a dark tile, six coloured slot buttons
// (red folder, blue file, green link, as the launcher paints them) and a
// white "launch" arrow.
struct Box {
    int x, y, w, h;
    QColor c;
};
const QColor kTile(38, 52, 110);
const int kTileX = 16, kTileY = 16, kTileSize = 224, kTileRadius = 44;
const Box kSlots[] = {
    {44, 44, 50, 30, QColor(220, 60, 60)},  {103, 44, 50, 30, QColor(60, 110, 230)},
    {162, 44, 50, 30, QColor(50, 170, 80)}, {44, 84, 50, 30, QColor(60, 110, 230)},
    {103, 84, 50, 30, QColor(50, 170, 80)}, {162, 84, 50, 30, QColor(220, 60, 60)},
};
const int kSlotRadius = 7;
// Arrow shaft and head.
const QPointF kShaftFrom(84, 206), kShaftTo(160, 148);
const QPointF kHead[] = {{186, 126}, {132, 136}, {174, 178}};
const int kShaftWidth = 20;

void paint(QPainter& p, int size) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 256.0, size / 256.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kTile);
    p.drawRoundedRect(QRectF(kTileX, kTileY, kTileSize, kTileSize), kTileRadius, kTileRadius);
    for (const Box& b : kSlots) {
        p.setBrush(b.c);
        p.drawRoundedRect(QRectF(b.x, b.y, b.w, b.h), kSlotRadius, kSlotRadius);
    }
    p.setPen(QPen(Qt::white, kShaftWidth, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(kShaftFrom, kShaftTo);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(kHead, 3);
}

QString svg() {
    auto hex = [](const QColor& c) { return c.name(QColor::HexRgb); };
    QString s;
    s += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n");
    s += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%3\" rx=\"%4\" fill=\"%5\"/>\n")
             .arg(kTileX).arg(kTileY).arg(kTileSize).arg(kTileRadius).arg(hex(kTile));
    for (const Box& b : kSlots) {
        s += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
                 .arg(b.x).arg(b.y).arg(b.w).arg(b.h).arg(kSlotRadius).arg(hex(b.c));
    }
    s += QStringLiteral("  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"#ffffff\" stroke-width=\"%5\" "
                        "stroke-linecap=\"round\"/>\n")
             .arg(kShaftFrom.x()).arg(kShaftFrom.y()).arg(kShaftTo.x()).arg(kShaftTo.y()).arg(kShaftWidth);
    s += QStringLiteral("  <polygon points=\"%1,%2 %3,%4 %5,%6\" fill=\"#ffffff\"/>\n")
             .arg(kHead[0].x()).arg(kHead[0].y()).arg(kHead[1].x()).arg(kHead[1].y()).arg(kHead[2].x()).arg(kHead[2].y());
    s += QStringLiteral("</svg>\n");
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_app_icon <folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString sub = QStringLiteral("%1/%2x%2").arg(dir).arg(size);
        QDir().mkpath(sub);
        QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            paint(p, size);
        }
        ok = img.save(sub + QStringLiteral("/sorvel_p.png"), "PNG") && ok;
    }
    QDir().mkpath(dir + QStringLiteral("/scalable"));
    QFile f(dir + QStringLiteral("/scalable/sorvel_p.svg"));
    ok = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(svg().toUtf8()) > 0 && ok;
    return ok ? 0 : 1;
}
