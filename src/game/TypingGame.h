// Typing game: rules, state and screen.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "platform/Surface.h"

namespace sorvel {

// Uniform letters in [0, 1), seedable for tests.
class GameRandom {
public:
    explicit GameRandom(uint32_t seed = 1) : gen_(seed) {}
    void reseed(uint32_t seed) { gen_.seed(seed); }
    float next() { return static_cast<float>(gen_() >> 8) * (1.0f / 16777216.0f); }

private:
    std::mt19937 gen_;
};

struct GameState {
    std::array<std::string, 7> levelChars{};
    std::array<std::string, 6> typingLines{};
    std::string typedKeys;
    int16_t speedLevel = 0;
    int16_t advanceGauge = 0;
    int32_t score = 0, highScore = 0;
    int32_t combo = 0, maxCombo = 0;
    int32_t levelPoints = 0, levelThreshold = 0;
    bool gameRunning = false;
    int16_t blinkCounter = 0;
    int16_t savedFramesPerSecond = 0;
    // What the last letters typed did: lines hit and letters missed, kept
    // until the next letters are judged (both 0 from the start of a game).
    int32_t lastHits = 0, lastMisses = 0;
};

extern const char* const kUpperRow;
extern const char* const kMiddleRow;
extern const char* const kLowerRow;

// The pool of letters of a row level (0..6).
std::string letterPool(int rowLevel);
// Screen label of a row level ("0.上段" ... "6.全部タイプ").
const char* levelLabel(int rowLevel);

char drawLetter(int rowLevel, GameRandom& rng);
void StartGame(GameState& g, int rowLevel, GameRandom& rng);
void AdvanceLines(GameState& g, int rowLevel, GameRandom& rng);
void UpdateGame(GameState& g, int rowLevel, GameRandom& rng);

// Texts of the game screen, also spoken.
extern const char* const kGameHelp;      // "F4:Retry F6:Back "
extern const char* const kGameOver;      // "-----終劇-----"

// The letter at the head of each line that has one, in line order, each
// followed by a blank ("Q W E " ...): the letters to type next.
std::string headLetters(const GameState& g);

// N-digit field: first N digits of v, left-padded with "0".
std::string digitField(int64_t v, int n);

// The game in words for assistive tools: one short line that changes only
// with what the player must hear: the result of the letters typed
// ("当たり", "はずれ", "開始" for a new game) and the head letters of the
// lines, or the end of the game with its points.
QString gameSpeech(const GameState& g, int rowLevel);
// The game's figures as the screen shows them, one line each.
QString gameFigures(const GameState& g, int rowLevel);

// Paints the game into the picture; pulseLevel is the colour level p.
void DrawGame(GameState& g, Surface& pic, int pulseLevel, int rowLevel);

}  // namespace sorvel
