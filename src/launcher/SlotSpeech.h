// What the slot page says in words to assistive tools (screen readers):
// the name and description of each slot button and the text of the drawing
// surface. Plain rules over the launcher state, so that they follow the
// slot-kind and label rules of the drawing exactly.
#pragma once

#include <QString>
#include <string>

#include "launcher/LauncherState.h"

namespace sorvel {

// The kind of a slot in words: "ファイル", "フォルダ", "URL", "未登録".
QString slotKindWords(const std::string& path);

// Name of slot button `index` (0..9) on the current page: the slot number
// and the label the button shows, with the kind, e.g. "12番地 edit.sh（ファイル）"
// or "13番地（未登録）". Empty while the buttons are hidden (game mode).
QString slotButtonName(const LauncherState& s, int index, bool launcherMode);

// Description: the whole target and the two use counts as the information
// panel shows them, e.g. "/opt/edit.sh 利用回数:3 今回:1". While a
// registration waits for its slot, a filled slot warns that it would be
// overwritten: "/opt/edit.sh を上書きせなあかんよ".
QString slotButtonDescription(const LauncherState& s, int index, bool launcherMode);

// The drawing surface of the launcher in words, the panel's lines as it
// shows them: the hovered slot's folder, name and counts, or the
// registration question (or the overwrite warning), or "ローカルIP:" and the
// address. The clock and the frame rate are left out, so the text changes
// only when what it tells changes. (The game's words: gameSpeech.)
QString surfaceSpeech(const LauncherState& s, const std::string& localIp);

// The page banner's two lines, e.g. "120番地～" and "  129番地".
QString pageBannerTop(int page);
QString pageBannerBottom(int page);
// The page range in words, for the page buttons: "120番地～129番地".
QString pageRangeSpeech(int page);

}  // namespace sorvel
