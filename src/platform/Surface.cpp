#include "platform/Surface.h"

#include <QFontDatabase>

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <utility>

namespace sorvel {

namespace {
std::vector<std::string>& familySubstitutes() {
    static std::vector<std::string> substitutes;
    return substitutes;
}

// The interface font's families, without those this system does not have:
// a family that is not there costs a search for fallback fonts at every
// size and weight asked for (most systems have no MS Gothic), and the first
// family that is there is the one used either way. With the substitutes
// worked out ahead only the installed list is read here.
const QStringList& uiFamilies() {
    static const QStringList families = [] {
        const std::vector<std::string>& wishes = uiFamilyWishes();
        const std::vector<std::string>& substitutes = familySubstitutes();
        QStringList wanted, there;
        for (const std::string& w : wishes) wanted << QString::fromStdString(w);
        if (substitutes.size() == wishes.size()) {
            there = installedFamilies(wishes, substitutes, QFontDatabase::families());
        } else {
            for (const QString& family : wanted)
                if (QFontDatabase::hasFamily(family)) there << family;
        }
        return there.isEmpty() ? wanted : there;
    }();
    return families;
}
}  // namespace

const std::vector<std::string>& uiFamilyWishes() {
    static const std::vector<std::string> wishes{"ＭＳ ゴシック", "MS Gothic", "IPAGothic", "Noto Sans Mono CJK JP",
                                                 "Monospace"};
    return wishes;
}

void useUiFamilySubstitutes(std::vector<std::string> substitutes) { familySubstitutes() = std::move(substitutes); }

QStringList installedFamilies(const std::vector<std::string>& families, const std::vector<std::string>& substitutes,
                              const QStringList& listed) {
    // A family that several foundries make is listed as "Family [Foundry]";
    // font matching knows it by the family's name alone.
    QStringList names;
    names.reserve(listed.size());
    for (const QString& l : listed) {
        const qsizetype foundry = l.endsWith(u']') ? l.lastIndexOf(QStringLiteral(" [")) : -1;
        names << (foundry > 0 ? l.left(foundry) : l);
    }
    QStringList there;
    for (size_t i = 0; i < families.size() && i < substitutes.size(); ++i) {
        if (names.contains(QString::fromStdString(substitutes[i]), Qt::CaseInsensitive))
            there << QString::fromStdString(families[i]);
    }
    return there;
}

QFont uiFont(int pixelSize, bool bold) {
    QFont f;
    f.setFamilies(uiFamilies());
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

Surface::Surface(int w, int h) : img_(w, h, QImage::Format_RGB32), changed_(img_.rect()), clearedTo_(back_) {
    img_.fill(back_);
    setFont(font_);
}

void Surface::drawn(const QRect& r) {
    const QRect in = r.intersected(img_.rect());
    ink_ |= in;
    changed_ |= in;
}

QRect Surface::takeChanged() { return std::exchange(changed_, QRect()); }

Surface::~Surface() { endPainting(); }

// One painter, kept open from frame to frame, serves all text and lines:
// opening a painter costs more than the few texts a frame prints. Direct
// pixel writes and reads stay valid while it is open (the raster engine
// draws at once, and a copy of an image being painted is a deep copy).
QPainter& Surface::painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&img_);
        painter_->setFont(font_);
        painter_->setPen(QColor(fore_));
    }
    return *painter_;
}

void Surface::endPainting() { painter_.reset(); }

void Surface::setSuspended(bool s) {
    if (s == suspended_) return;
    suspended_ = s;
    if (s) {
        endPainting();
        contentKey_.clear();   // the image no longer shows what the key says
    }
}

void Surface::setForeColor(QRgb c) {
    fore_ = c;
    if (painter_) painter_->setPen(QColor(fore_));
}

void Surface::setFont(const QFont& f) {
    font_ = f;
    textCache_.clear();
    metrics_ = QFontMetrics(font_);
    lineHeight_ = std::max(1, metrics_.height());
    if (painter_) painter_->setFont(font_);
}

void Surface::cls() {
    if (!suspended_) {
        img_.fill(back_);
        // What was drawn turns back into background; a new colour changes all.
        changed_ |= (back_ != clearedTo_) ? img_.rect() : ink_;
        ink_ = QRect();
        clearedTo_ = back_;
    }
    curX_ = 0;
    curY_ = 0;
}

QRgb Surface::point(int x, int y) const {
    if (x < 0 || y < 0 || x >= img_.width() || y >= img_.height()) return qRgb(0, 0, 0);
    return img_.pixel(x, y) | 0xff000000u;
}

void Surface::pset(int x, int y, QRgb c) {
    if (!suspended_ && x >= 0 && y >= 0 && x < img_.width() && y < img_.height()) {
        img_.setPixel(x, y, c);
        drawn(QRect(x, y, 1, 1));
    }
    curX_ = x;
    curY_ = y;
}

void Surface::drawText(int x, int y, const QString& t) {
    if (t.isEmpty() || suspended_) return;
    if (textCache_.size() > 48) textCache_.clear();
    auto it = textCache_.find(t);
    if (it == textCache_.end()) {
        QStaticText st(t);
        st.setTextFormat(Qt::PlainText);
        st.setPerformanceHint(QStaticText::AggressiveCaching);
        st.prepare(QTransform(), font_);
        it = textCache_.emplace(t, std::move(st)).first;
    }
    painter().drawStaticText(x, y, it->second);
    // A little beyond the text's box, for glyphs that reach past it.
    const QSizeF sz = it->second.size();
    drawn(QRect(x - 2, y - 2, static_cast<int>(sz.width()) + 5, static_cast<int>(sz.height()) + 5));
}

void Surface::print(const QString& text, bool endRow) {
    const QFontMetrics& fm = metrics_;
    int start = 0;
    while (true) {
        int nl = text.indexOf(QLatin1Char('\n'), start);
        int segEnd = nl < 0 ? text.size() : nl;
        int cut = segEnd;
        if (nl >= 0 && cut > start && text[cut - 1] == QLatin1Char('\r')) --cut;
        const QString seg = text.mid(start, cut - start);
        drawText(curX_, curY_, seg);
        if (nl < 0) {
            if (endRow) {
                curX_ = 0;
                curY_ += lineHeight_;
            } else {
                curX_ += fm.horizontalAdvance(seg);
            }
            return;
        }
        curX_ = 0;
        curY_ += lineHeight_;
        start = nl + 1;
    }
}

void Surface::line(int x1, int y1, int x2, int y2, QRgb c) {
    if (!suspended_ && (x1 != x2 || y1 != y2)) {
        // Bresenham's steps, the last point left out.
        const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
        const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
        int err = dx + dy, x = x1, y = y1;
        const QRgb px = c | 0xff000000u;
        while (x != x2 || y != y2) {
            if (x >= 0 && y >= 0 && x < img_.width() && y < img_.height()) img_.setPixel(x, y, px);
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
        drawn(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))));
    }
    curX_ = x2;
    curY_ = y2;
}

void Surface::box(int x1, int y1, int x2, int y2, QRgb c) {
    const int l = std::min(x1, x2), r = std::max(x1, x2);
    const int t = std::min(y1, y2), b = std::max(y1, y2);
    const QRect rc = QRect(QPoint(l, t), QPoint(r, b)).intersected(img_.rect());
    if (!rc.isEmpty() && !suspended_) {
        drawn(rc);
        for (int y = rc.top(); y <= rc.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(img_.scanLine(y));
            std::fill(row + rc.left(), row + rc.right() + 1, c);
        }
    }
    curX_ = x2;
    curY_ = y2;
}

namespace {
template <typename Op>
void blitOp(QImage& dst, const QImage& src, int sx, int sy, int w, int h, int dx, int dy, Op op) {
    if (src.isNull()) return;
    // The part of the w x h block that lies inside both pictures.
    const int x0 = std::max({0, -dx, -sx}), x1 = std::min({w, dst.width() - dx, src.width() - sx});
    const int y0 = std::max({0, -dy, -sy}), y1 = std::min({h, dst.height() - dy, src.height() - sy});
    if (x0 >= x1 || y0 >= y1) return;
    for (int y = y0; y < y1; ++y) {
        QRgb* d = reinterpret_cast<QRgb*>(dst.scanLine(dy + y)) + (dx + x0);
        const QRgb* f = reinterpret_cast<const QRgb*>(src.constScanLine(sy + y)) + (sx + x0);
        for (int x = 0; x < x1 - x0; ++x) d[x] = op(d[x], f[x]) | 0xff000000u;
    }
}
}  // namespace

void Surface::blitAnd(const QImage& src, int sx, int sy, int w, int h, int dx, int dy) {
    if (suspended_) return;
    drawn(QRect(dx, dy, w, h));
    blitOp(img_, src, sx, sy, w, h, dx, dy, [](QRgb a, QRgb b) { return a & b; });
}

void Surface::blitOr(const QImage& src, int sx, int sy, int w, int h, int dx, int dy) {
    if (suspended_) return;
    drawn(QRect(dx, dy, w, h));
    blitOp(img_, src, sx, sy, w, h, dx, dy, [](QRgb a, QRgb b) { return a | b; });
}

QImage iconHolder(const QImage& picture, int w, int h) {
    QImage pic = picture.convertToFormat(QImage::Format_RGB32);
    if (pic.width() >= w && pic.height() >= h) return pic;
    QImage holder(std::max(w, pic.width()), std::max(h, pic.height()), QImage::Format_RGB32);
    holder.fill(qRgb(255, 255, 255));
    for (int y = 0; y < pic.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(pic.constScanLine(y));
        std::copy(s, s + pic.width(), reinterpret_cast<QRgb*>(holder.scanLine(y)));
    }
    return holder;
}

QImage makeMask(const QImage& picture) {
    QImage pic = picture.convertToFormat(QImage::Format_RGB32);
    QImage mask(pic.size(), QImage::Format_RGB32);
    for (int y = 0; y < pic.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(pic.constScanLine(y));
        auto* d = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < pic.width(); ++x) {
            d[x] = ((s[x] & 0xffffffu) == 0) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
    return mask;
}

}  // namespace sorvel
