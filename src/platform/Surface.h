// An off-screen drawing surface with the picture-box model the drawing code
// is written for: a current text position, Print that continues on the same
// row or starts the next row at x = 0, Point/PSet, lines and boxes, Cls,
// fore and back colours. Also the two-pass transparency blit of the icons.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QStaticText>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QPainter;

namespace sorvel {

// The preferred UI font with its fallbacks, at a pixel size.
QFont uiFont(int pixelSize, bool bold = false);
// The interface font's families, most wanted first; uiFont keeps those this
// system has.
const std::vector<std::string>& uiFamilyWishes();
// For each of uiFamilyWishes(), the family fontconfig substitutes for it
// first, worked out ahead (FontWarmUp): uiFont then need not match each
// name itself. Before the first uiFont; anything but one per wish is ignored.
void useUiFamilySubstitutes(std::vector<std::string> substitutes);
// Of `families`, in their order, those this system has, told from the
// family fontconfig substitutes first for each (`substitutes`, one per
// family) and the families Qt lists (QFontDatabase::families()): a family
// is there when its substitute is installed, which is what
// QFontDatabase::hasFamily answers.
QStringList installedFamilies(const std::vector<std::string>& families, const std::vector<std::string>& substitutes,
                              const QStringList& listed);

class Surface {
public:
    Surface(int w, int h);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int width() const { return img_.width(); }
    int height() const { return img_.height(); }

    void setBackColor(QRgb c) { back_ = c; }
    QRgb backColor() const { return back_; }
    void setForeColor(QRgb c);
    QRgb foreColor() const { return fore_; }
    void setFont(const QFont& f);
    const QFont& font() const { return font_; }
    int lineHeight() const { return lineHeight_; }

    // Clear to the back colour; the text position returns to (0, 0).
    void cls();
    QRgb point(int x, int y) const;
    // Sets a pixel and moves the text position there.
    void pset(int x, int y, QRgb c);
    void moveTo(int x, int y) { curX_ = x; curY_ = y; }
    int currentX() const { return curX_; }
    int currentY() const { return curY_; }

    // Prints text at the text position. "\r\n" (or "\n") starts a new row at
    // x = 0. With endRow the position moves to the start of the next row,
    // otherwise it stays right after the text.
    void print(const QString& text, bool endRow = true);

    // A line from (x1, y1) up to, not including, (x2, y2).
    void line(int x1, int y1, int x2, int y2, QRgb c);
    // Box form of Line: always filled.
    void box(int x1, int y1, int x2, int y2, QRgb c);

    // dst &= src / dst |= src over a w x h rectangle (the icon mask passes).
    void blitAnd(const QImage& src, int sx, int sy, int w, int h, int dx, int dy);
    void blitOr(const QImage& src, int sx, int sy, int w, int h, int dx, int dy);

    // What the surface was last drawn with; lets callers skip redrawing
    // identical content. Forgotten while drawing is suspended.
    void setContentKey(const QString& k) {
        if (!suspended_) contentKey_ = k;
    }
    const QString& contentKey() const { return contentKey_; }

    // While suspended (nothing of the surface can be seen) every drawing
    // call keeps its effect on the text position and colours but leaves the
    // pixels alone. The image keeps the last picture drawn before.
    void setSuspended(bool s);
    bool suspended() const { return suspended_; }

    // Ends the painter that text and lines share (it opens again when next
    // needed).
    void endPainting();

    // The part of the image that may have changed since the last call: what
    // was drawn since, and what a clear since has wiped. Lets the widget
    // repaint only that without keeping a copy of the last picture.
    QRect takeChanged();

    const QImage& image() const { return img_; }
    QImage& image() {
        endPainting();
        changed_ = img_.rect();   // the caller may write anywhere
        return img_;
    }

private:
    void drawn(const QRect& r);
    QPainter& painter();
    void drawText(int x, int y, const QString& t);
    // Shaped texts of recent frames (most texts repeat from frame to frame).
    std::unordered_map<QString, QStaticText> textCache_;
    QString contentKey_;
    QImage img_;
    std::unique_ptr<QPainter> painter_;
    bool suspended_ = false;
    QRect ink_;       // bounds of what was drawn since the last clear
    QRect changed_;   // bounds of what changed since the last takeChanged
    QRgb clearedTo_;  // the colour of the last clear
    QRgb back_ = qRgb(255, 255, 255);
    QRgb fore_ = qRgb(0, 0, 0);
    QFont font_ = uiFont(12);
    QFontMetrics metrics_{font_};
    int lineHeight_ = 12;
    int curX_ = 0;
    int curY_ = 0;
};

// An icon picture in its holder: at least w x h, white where the picture
// does not reach.
QImage iconHolder(const QImage& picture, int w, int h);

// Mask of an icon strip: white where the picture is black, black elsewhere.
QImage makeMask(const QImage& picture);

}  // namespace sorvel
