#include "game/TypingGame.h"

#include <algorithm>
#include <cmath>

#include "launcher/LauncherState.h"

namespace sorvel {

const char* const kUpperRow = "QWERTYUIOP";
const char* const kMiddleRow = "ASDFGHJKL";
const char* const kLowerRow = "ZXCVBNM";

std::string letterPool(int rowLevel) {
    const std::string u = kUpperRow, m = kMiddleRow, l = kLowerRow;
    switch (rowLevel) {
        case 0: return u;
        case 1: return m;
        case 2: return l;
        case 3: return u + m;
        case 4: return m + l;
        case 5: return u + l;
        case 6: return u + m + l;
        default: return {};
    }
}

const char* levelLabel(int rowLevel) {
    static const char* const labels[] = {"0.上段", "1.中段", "2.下段", "3.上+中段", "4.中+下段", "5.上+下段", "6.全部タイプ"};
    return (rowLevel >= 0 && rowLevel <= 6) ? labels[rowLevel] : "";
}

char drawLetter(int rowLevel, GameRandom& rng) {
    const std::string pool = letterPool(rowLevel);
    if (pool.empty()) return 'A';
    size_t i = static_cast<size_t>(std::floor(static_cast<float>(pool.size()) * rng.next()));
    if (i >= pool.size()) i = pool.size() - 1;
    return pool[i];
}

void StartGame(GameState& g, int rowLevel, GameRandom& rng) {
    for (int i = 0; i <= 6; ++i) g.levelChars[i] = letterPool(i);
    g.typedKeys.clear();
    for (auto& line : g.typingLines) {
        line.clear();
        for (int k = 0; k < 14; ++k) line += drawLetter(rowLevel, rng);
    }
    g.score = 0;
    g.combo = 0;
    g.levelPoints = 0;
    g.speedLevel = 1;
    g.advanceGauge = 200;
    g.levelThreshold = 31;
    g.gameRunning = true;
    g.lastHits = 0;
    g.lastMisses = 0;
}

void AdvanceLines(GameState& g, int rowLevel, GameRandom& rng) {
    int64_t total = 0;
    do {
        for (auto& line : g.typingLines) {
            if (line.size() >= 35) {
                g.gameRunning = false;
            } else {
                line += drawLetter(rowLevel, rng);
            }
            total += static_cast<int64_t>(line.size());
        }
    } while (total < 28);
}

const char* const kGameHelp = "F4:Retry F6:Back ";
const char* const kGameOver = "-----終劇-----";

std::string headLetters(const GameState& g) {
    std::string heads;
    for (const auto& line : g.typingLines) {
        if (line.empty()) continue;
        heads += line[0];
        heads += ' ';
    }
    return heads;
}

void UpdateGame(GameState& g, int rowLevel, GameRandom& rng) {
    if (!g.gameRunning) {
        g.typedKeys.clear();
        return;
    }
    if (!g.typedKeys.empty()) {
        int32_t hits = 0, misses = 0;
        const std::string keys = g.typedKeys;
        for (char c : keys) {
            int matched = 0;
            for (auto& line : g.typingLines) {
                if (!line.empty() && line[0] == c) {
                    line.erase(0, 1);
                    ++matched;
                    wrapAdd(g.combo, 1);
                    wrapAdd(g.levelPoints, g.combo);
                }
            }
            if (matched > 0) {
                hits += matched;
            } else {
                AdvanceLines(g, rowLevel, rng);
                wrapAdd(g.advanceGauge, 20);
                g.combo = 0;
                ++misses;
            }
        }
        g.lastHits = hits;
        g.lastMisses = misses;
        const int64_t add = static_cast<int64_t>(hits) + static_cast<int64_t>(hits) * g.combo;
        wrapAdd(g.score, static_cast<int32_t>(add));
    }
    if (g.score > g.highScore) g.highScore = g.score;
    if (g.combo > g.maxCombo) g.maxCombo = g.combo;
    if (g.levelPoints > g.levelThreshold) {
        wrapAdd(g.speedLevel, 1);
        g.levelPoints -= g.levelThreshold;
        const double next = std::nearbyint(g.levelThreshold * 1.134);
        g.levelThreshold = next > 2147483647.0 ? 2147483647 : static_cast<int32_t>(next);
    }
    if (g.speedLevel > 99) g.speedLevel = 99;
    // The whole new value is rounded, halves to even.
    const double next = std::nearbyint(g.advanceGauge - (g.speedLevel / 4.0 + 2.0));
    g.advanceGauge = static_cast<int16_t>(std::clamp(next, -32768.0, 32767.0));
    if (g.advanceGauge < 0) {
        g.advanceGauge = 200;
        AdvanceLines(g, rowLevel, rng);
    }
    g.typedKeys.clear();
}

std::string digitField(int64_t v, int n) {
    if (v < 0) v = 0;
    std::string d = std::to_string(v);
    if (static_cast<int>(d.size()) > n) d.resize(static_cast<size_t>(n));
    return std::string(static_cast<size_t>(n) - d.size(), '0') + d;
}

void DrawGame(GameState& g, Surface& pic, int p, int rowLevel) {
    const QRgb red = qRgb(p, 0, 0);
    for (int i = 0; i < 6; ++i) {
        const std::string& line = g.typingLines[i];
        const int x = (35 - static_cast<int>(line.size())) * 8;
        const int y = 11 * i + 11;
        pic.moveTo(x, y);
        QRgb saved = pic.foreColor();
        if (x <= 60) pic.setForeColor(red);
        pic.print(QString::fromStdString(line), false);
        if (x <= 60) {
            pic.print(QStringLiteral("<<<"));
            pic.setForeColor(saved);
        }
    }
    const QString label = QString::fromUtf8(levelLabel(rowLevel));
    pic.moveTo(10, 91);
    if (g.blinkCounter <= 24) {
        pic.print(QString::fromUtf8(kGameHelp) + label);
    } else {
        pic.print(QStringLiteral("(レベル設定:Push 0～6)") + label);
    }
    pic.moveTo(10, 103);
    pic.print(QStringLiteral("Lv:") + QString::fromStdString(digitField(g.speedLevel, 2)) + QStringLiteral(" "), false);
    if (g.blinkCounter <= 24) {
        pic.print(QStringLiteral("Point:") + QString::fromStdString(digitField(g.score, 8)) + QStringLiteral(" Combo:") +
                  QString::fromStdString(digitField(g.combo, 4)));
    } else {
        pic.print(QStringLiteral("High :") + QString::fromStdString(digitField(g.highScore, 8)) +
                  QStringLiteral(" Max  :") + QString::fromStdString(digitField(g.maxCombo, 4)));
    }
    wrapAdd(g.blinkCounter, 1);
    if (g.blinkCounter > 50) g.blinkCounter = 0;
    pic.box(0, 0, g.advanceGauge * 280 / 200, 5, g.advanceGauge <= 40 ? red : qRgb(0, 0, p));
    if (!g.gameRunning) {
        pic.box(70, 44, 220, 70, qRgb(255, 255, 255));
        pic.moveTo(90, 50);
        pic.print(QString::fromUtf8(kGameOver));
    }
}

namespace {
QString q(const std::string& t) { return QString::fromStdString(t); }
}  // namespace

QString gameFigures(const GameState& g, int rowLevel) {
    return QStringLiteral("Lv:") + q(digitField(g.speedLevel, 2)) + QStringLiteral(" Point:") +
           q(digitField(g.score, 8)) + QStringLiteral(" Combo:") + q(digitField(g.combo, 4)) +
           QStringLiteral("\nHigh :") + q(digitField(g.highScore, 8)) + QStringLiteral(" Max  :") +
           q(digitField(g.maxCombo, 4)) + QLatin1Char('\n') + q(kGameHelp) + QString::fromUtf8(levelLabel(rowLevel));
}

QString gameSpeech(const GameState& g, int rowLevel) {
    if (!g.gameRunning) {
        return q(kGameOver) + QStringLiteral(" Point:") + q(digitField(g.score, 8)) + QLatin1Char(' ') + q(kGameHelp) +
               QString::fromUtf8(levelLabel(rowLevel));
    }
    const QString what = g.lastMisses > 0 ? QStringLiteral("はずれ")
                         : g.lastHits > 0 ? QStringLiteral("当たり")
                                          : QStringLiteral("開始");
    return what + QLatin1Char(' ') + q(headLetters(g)).trimmed();
}

}  // namespace sorvel
