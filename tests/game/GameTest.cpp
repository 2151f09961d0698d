#include <gtest/gtest.h>

#include <map>
#include <set>

#include "game/TypingGame.h"

using namespace sorvel;

namespace {
GameState running() {
    GameState g;
    g.gameRunning = true;
    g.speedLevel = 1;
    g.advanceGauge = 200;
    g.levelThreshold = 31;
    return g;
}
}  // namespace

TEST(Game, StartGameFillsSixLinesOf14) {
    GameState g;
    GameRandom rng(7);
    g.highScore = 50;
    g.maxCombo = 9;
    g.blinkCounter = 12;
    StartGame(g, 2, rng);
    for (const auto& l : g.typingLines) {
        EXPECT_EQ(l.size(), 14u);
        for (char c : l) EXPECT_NE(std::string(kLowerRow).find(c), std::string::npos);
    }
    EXPECT_EQ(g.speedLevel, 1);
    EXPECT_EQ(g.advanceGauge, 200);
    EXPECT_EQ(g.levelThreshold, 31);
    EXPECT_TRUE(g.gameRunning);
    EXPECT_EQ(g.highScore, 50);
    EXPECT_EQ(g.maxCombo, 9);
    EXPECT_EQ(g.blinkCounter, 12);
    EXPECT_EQ(g.levelChars[6], "QWERTYUIOPASDFGHJKLZXCVBNM");
}

TEST(Game, OneKeyHitsThreeHeads) {
    GameState g = running();
    g.typingLines = {"AB", "AC", "XA", "A", "", "Q"};
    g.typedKeys = "A";
    GameRandom rng;
    UpdateGame(g, 6, rng);
    EXPECT_EQ(g.typingLines[0], "B");
    EXPECT_EQ(g.typingLines[1], "C");
    EXPECT_EQ(g.typingLines[2], "XA");
    EXPECT_EQ(g.typingLines[3], "");
    EXPECT_EQ(g.combo, 3);
    EXPECT_EQ(g.levelPoints, 6);
    EXPECT_EQ(g.score, 3 + 3 * 3);
}

TEST(Game, TwoHitsThenAHitAndAMiss) {
    GameState g = running();
    g.typingLines = {"AB", "", "", "", "", ""};
    g.typedKeys = "AB";
    GameRandom rng;
    UpdateGame(g, 6, rng);
    EXPECT_EQ(g.combo, 2);
    EXPECT_EQ(g.score, 6);

    GameState h = running();
    h.typingLines = {"A", "ZZ", "ZZ", "ZZ", "ZZ", "ZZ"};
    h.typedKeys = "AQ";
    UpdateGame(h, 6, rng);
    EXPECT_EQ(h.combo, 0);
    EXPECT_EQ(h.score, 1);
    EXPECT_EQ(h.advanceGauge, 200 + 20 - 2);
    EXPECT_EQ(h.typingLines[1].size(), 4u);   // the miss grew every line (two passes)
}

TEST(Game, ThresholdSequence) {
    GameState g = running();
    GameRandom rng;
    std::vector<int> seen{g.levelThreshold};
    for (int i = 0; i < 12; ++i) {
        g.levelPoints = g.levelThreshold + 1;
        UpdateGame(g, 6, rng);
        seen.push_back(g.levelThreshold);
    }
    EXPECT_EQ(seen, (std::vector<int>{31, 35, 40, 45, 51, 58, 66, 75, 85, 96, 109, 124, 141}));
    EXPECT_EQ(g.speedLevel, 13);
}

TEST(Game, GaugeSequences) {
    GameRandom rng;
    for (auto [level, want] : std::vector<std::pair<int, std::vector<int>>>{
             {1, {198, 196, 194}}, {6, {196, 192, 188}}, {99, {173, 146, 119}}}) {
        GameState g = running();
        g.speedLevel = static_cast<int16_t>(level);
        g.typingLines = {"A", "A", "A", "A", "A", "A"};
        std::vector<int> got;
        for (int i = 0; i < 3; ++i) {
            UpdateGame(g, 6, rng);
            got.push_back(g.advanceGauge);
        }
        EXPECT_EQ(got, want) << level;
    }
}

TEST(Game, GaugeRoundsTheWholeNewValue) {
    // From an odd gauge a half step rounds the result to even, not the step.
    GameRandom rng;
    for (auto [level, want] : std::vector<std::pair<int, std::vector<int>>>{{2, {194, 192, 190}},
                                                                             {6, {194, 190, 186}}}) {
        GameState g = running();
        g.speedLevel = static_cast<int16_t>(level);
        g.advanceGauge = 197;
        g.typingLines = {"A", "A", "A", "A", "A", "A"};
        std::vector<int> got;
        for (int i = 0; i < 3; ++i) {
            UpdateGame(g, 6, rng);
            got.push_back(g.advanceGauge);
        }
        EXPECT_EQ(got, want) << level;
    }
}

TEST(Game, GaugeRunsOutAndLinesAdvance) {
    GameState g = running();
    g.advanceGauge = 1;
    g.typingLines = {"A", "A", "A", "A", "A", "A"};
    GameRandom rng;
    UpdateGame(g, 6, rng);
    EXPECT_EQ(g.advanceGauge, 200);
    for (const auto& l : g.typingLines) EXPECT_EQ(l.size(), 3u);   // totals 12, 18, 30
}

TEST(Game, AdvanceFromEmptyAppendsThreeEach) {
    GameState g = running();
    GameRandom rng;
    AdvanceLines(g, 6, rng);
    for (const auto& l : g.typingLines) EXPECT_EQ(l.size(), 3u);
}

TEST(Game, ALineOf35EndsTheGameButThePassFinishes) {
    GameState g = running();
    g.typingLines = {std::string(34, 'Q'), "W", "W", "W", "W", "W"};
    GameRandom rng;
    AdvanceLines(g, 6, rng);
    EXPECT_TRUE(g.gameRunning);
    EXPECT_EQ(g.typingLines[0].size(), 35u);
    AdvanceLines(g, 6, rng);
    EXPECT_FALSE(g.gameRunning);
    EXPECT_EQ(g.typingLines[0].size(), 35u);
    EXPECT_EQ(g.typingLines[5].size(), 3u);
    // Once over, typed letters are discarded every frame.
    g.typedKeys = "QQ";
    UpdateGame(g, 6, rng);
    EXPECT_TRUE(g.typedKeys.empty());
    EXPECT_EQ(g.typingLines[0].size(), 35u);
}

TEST(Game, PoolsAreUniformAndLevelFiveSkipsTheMiddleRow) {
    GameRandom rng(12345);
    std::set<char> seen;
    for (int i = 0; i < 5000; ++i) {
        const char c = drawLetter(5, rng);
        EXPECT_EQ(std::string(kMiddleRow).find(c), std::string::npos);
        seen.insert(c);
    }
    EXPECT_EQ(seen.size(), 17u);
    std::map<char, int> counts;
    for (int i = 0; i < 26000; ++i) ++counts[drawLetter(6, rng)];
    EXPECT_EQ(counts.size(), 26u);
    for (auto [c, n] : counts) EXPECT_NEAR(n, 1000, 200) << c;
    // A fixed seed gives a fixed sequence.
    GameRandom a(3), b(3);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(drawLetter(6, a), drawLetter(6, b));
}

TEST(Game, DigitFields) {
    EXPECT_EQ(digitField(5, 2), "05");
    EXPECT_EQ(digitField(123, 8), "00000123");
    EXPECT_EQ(digitField(123456789, 8), "12345678");
    EXPECT_EQ(digitField(12345, 4), "1234");
}

TEST(Game, ScreenColoursAndBlink) {
    Surface pic(300, 126);
    pic.setBackColor(qRgb(192, 192, 192));
    GameState g = running();
    g.typingLines = {std::string(27, 'A'), std::string(28, 'A'), "", "", "", ""};
    pic.cls();
    pic.setForeColor(qRgb(0, 0, 100));
    DrawGame(g, pic, 180, 6);
    auto hasColour = [&](QRect r, auto pred) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (pred(pic.point(x, y))) return true;
        return false;
    };
    auto reddish = [](QRgb c) { return qRed(c) > 100 && qBlue(c) < 50 && qGreen(c) < 50; };
    // Line 1 (28 letters, x = 56) is red, line 0 (27, x = 64) is not.
    EXPECT_TRUE(hasColour(QRect(56, 22, 200, 10), reddish));
    EXPECT_FALSE(hasColour(QRect(0, 11, 300, 10), reddish));
    // The gauge is blue above 40 and red at 40.
    EXPECT_EQ(pic.point(100, 2), qRgb(0, 0, 180));
    g.advanceGauge = 40;
    pic.cls();
    DrawGame(g, pic, 180, 6);
    EXPECT_EQ(pic.point(20, 2), qRgb(180, 0, 0));
    EXPECT_EQ(g.blinkCounter, 2);
    g.blinkCounter = 50;
    DrawGame(g, pic, 180, 6);
    EXPECT_EQ(g.blinkCounter, 0);
    // The end box shows while no game runs.
    g.gameRunning = false;
    pic.cls();
    DrawGame(g, pic, 180, 6);
    EXPECT_EQ(pic.point(72, 46), qRgb(255, 255, 255));
}

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }
}  // namespace

TEST(GameSpeech, TellsTheHeadLettersWhatTheKeysDidAndTheFigures) {
    struct {
        int rowLevel = 6;
    } s;
    GameState g;
    EXPECT_EQ(gameSpeech(g, s.rowLevel), u("-----終劇----- Point:00000000 F4:Retry F6:Back 6.全部タイプ"));
    g.typingLines = {"QWE", "", "ASD", "ZX", "P", "M"};
    g.gameRunning = true;
    g.advanceGauge = 200;
    EXPECT_EQ(gameSpeech(g, s.rowLevel), u("開始 Q A Z P M"));
    // Played for real: a hit, then a miss.
    GameRandom rng(1);
    g.typedKeys = "Q";
    UpdateGame(g, 6, rng);
    EXPECT_EQ(g.lastHits, 1);
    EXPECT_EQ(gameSpeech(g, s.rowLevel), u("当たり W A Z P M"));
    g.typedKeys = "B";
    UpdateGame(g, 6, rng);
    EXPECT_EQ(g.lastMisses, 1);
    EXPECT_TRUE(gameSpeech(g, s.rowLevel).startsWith(u("はずれ W "))) << gameSpeech(g, s.rowLevel).toStdString();
    // A new game starts afresh.
    StartGame(g, 6, rng);
    EXPECT_TRUE(gameSpeech(g, s.rowLevel).startsWith(u("開始 ")));
    EXPECT_EQ(gameSpeech(g, s.rowLevel).size(), 3 + 6 * 2 - 1);
    g.speedLevel = 3;
    g.score = 1234;
    g.combo = 12;
    g.highScore = 99;
    g.maxCombo = 123456;
    EXPECT_EQ(gameFigures(g, 2), u("Lv:03 Point:00001234 Combo:0012\nHigh :00000099 Max  :1234\nF4:Retry F6:Back 2.下段"));
}
