// The main window's controls as data: for each member of a control array,
// its caption, its place in twips (left, top, width, height) and its
// tooltip, and a name for each index, so that code presses a button as
// com5Click(Com5::Stop) rather than com5Click(3).
#pragma once

#include <array>

class QPushButton;
class QWidget;

namespace sorvel {

// Twips (1/1440 inch) to pixels: 15 twips a pixel.
constexpr int px(int twips) { return twips / 15; }

struct ControlSpec {
    const char* caption;
    int left, top, width, height;   // twips
    const char* tooltip;            // nullptr: none
};

// Com5: the music and tool buttons (indexes as the click handler gets them).
enum class Com5 : int { CopyIp, ListUD, Play, Stop, SelectMid, Delete, Pattern, Page, Favo };
inline constexpr std::array<ControlSpec, 9> kCom5{{
    {"IPのコピー", 120, 1560, 1215, 255, "IPをコピーします"},
    {"List U/D", 1440, 1560, 1215, 255, "リストを出したり閉じたりします"},
    {"Play", 2640, 1560, 615, 255, "再生します。"},
    {"Stop", 3240, 1560, 615, 255, "停止します。"},
    {"Select(mid)", 840, 1320, 1455, 255, "リストに曲の追加をします"},
    {"Delete", 3000, 1320, 855, 255, "リストに曲の削除をします"},
    {"繰返", 3840, 1560, 735, 255, "現在の再生パターンです。"},
    {"1P", 120, 1320, 735, 255, "現在のリストのページ数です"},
    {"Favo", 3840, 1320, 615, 255, "お気に入りリストに追加する。"},
}};

// Command2: the buttons on the drawing surface (places relative to it).
enum class Command2 : int { Prev, Next, Register, Timer, Fps };
inline constexpr std::array<ControlSpec, 5> kCommand2{{
    {"前", 2610, 840, 375, 300, "前のページへ"},
    {"次", 2985, 840, 375, 300, "次のページへ"},
    {"登録/上書き", 1515, 840, 1095, 300, "アプリのパスを登録します"},
    {"TIMER", 3360, 840, 615, 300, "タイマーを発動します"},
    {"FPS", 3960, 840, 495, 300, "1秒間の表示回数の設定をします"},
}};

// Command4: the number entry's buttons (the minutes or the rate).
enum class Command4 : int { OkMinutes, Cancel, OkFps };
inline constexpr std::array<ControlSpec, 3> kCommand4{{
    {"OK（分）", 2640, 1200, 975, 375, nullptr},
    {"止める", 3600, 1200, 735, 375, "中止します"},
    {"FPS　OK", 2640, 1200, 975, 375, nullptr},
}};

// Command3: help.
inline constexpr ControlSpec kCommand3{"？", 4440, 1320, 330, 255, "ヘルプを表示します"};

// A push button made from its spec, on parent.
QPushButton* makeButton(QWidget* parent, const ControlSpec& spec);

template <class E>
constexpr int at(E index) { return static_cast<int>(index); }

}  // namespace sorvel
