#include "launcher/SlotSpeech.h"

#include <QStringList>

#include "launcher/SlotPage.h"
#include "launcher/SlotRules.h"
#include "timer/TimerRules.h"

namespace sorvel {

namespace {
// As much of a part as the button and the panel can show.
constexpr size_t kSpokenBytes = 1024;
constexpr int kSpokenChars = 255;

QString q(const std::string& s) { return QString::fromStdString(s); }

// The slot shown on button index, or -1 when there is none.
int shownSlot(const LauncherState& s, int index) {
    if (index < 0 || index > 9) return -1;
    const int n = slotNumber(s.slotPage, index);
    return n >= 0 && n < kSlotCount ? n : -1;
}

QString counts(const LauncherState& s, int n) {
    return QStringLiteral("利用回数:") + QString::number(s.slotUseCount[n]) + QStringLiteral(" 今回:") +
           QString::number(s.slotSessionCount[n]);
}

// Folder part and label as the panel shows them (both empty for an empty slot).
SlotSplit shownSplit(const std::string& path) {
    if (path.empty()) return {};
    return splitSlotForDisplay(path, pathSepFor(path, kPathSep), kSpokenBytes);
}

void addLine(QStringList& lines, const QString& l) {
    const QString t = l.trimmed();
    if (!t.isEmpty()) lines << t;
}
}  // namespace

QString slotKindWords(const std::string& path) {
    switch (slotKind(path, pathSepFor(path, kPathSep))) {
        case SlotKind::Empty: return QStringLiteral("未登録");
        case SlotKind::Url: return QStringLiteral("URL");
        case SlotKind::Folder: return QStringLiteral("フォルダ");
        case SlotKind::File: break;
    }
    return QStringLiteral("ファイル");
}

QString slotButtonName(const LauncherState& s, int index, bool launcherMode) {
    const int n = shownSlot(s, index);
    if (!launcherMode || n < 0) return {};
    const std::string& path = s.slotPath[n];
    QString name = QString::number(n) + QStringLiteral("番地");
    if (!path.empty()) name += QLatin1Char(' ') + q(shownSplit(path).label).left(kSpokenChars);
    return name + QStringLiteral("（") + slotKindWords(path) + QStringLiteral("）");
}

QString slotButtonDescription(const LauncherState& s, int index, bool launcherMode) {
    const int n = shownSlot(s, index);
    if (!launcherMode || n < 0) return {};
    const std::string& path = s.slotPath[n];
    const QString target = path.empty() ? QStringLiteral("未登録") : q(path.substr(0, 4 * kSpokenBytes));
    if (!s.pendingPath.empty() && !path.empty()) return target + QLatin1Char(' ') + q(kOverwriteWarning);
    return target + QLatin1Char(' ') + counts(s, n);
}

const char* const kAlarmStopKeyHint = "Escで止まるよ";

QString pageBannerTop(int page) { return QString::number(page * 10) + QStringLiteral("番地～"); }
QString pageBannerBottom(int page) { return QStringLiteral("  ") + QString::number(page * 10 + 9) + QStringLiteral("番地"); }
QString pageRangeSpeech(int page) { return pageBannerTop(page) + pageBannerBottom(page).trimmed(); }

QString gameFigures(const GameState& g, int rowLevel) {
    QStringList lines;
    lines << QStringLiteral("Lv:") + q(digitField(g.speedLevel, 2)) + QStringLiteral(" Point:") +
                 q(digitField(g.score, 8)) + QStringLiteral(" Combo:") + q(digitField(g.combo, 4));
    lines << QStringLiteral("High :") + q(digitField(g.highScore, 8)) + QStringLiteral(" Max  :") +
                 q(digitField(g.maxCombo, 4));
    lines << q(kGameHelp) + QString::fromUtf8(levelLabel(rowLevel));
    return lines.join(QLatin1Char('\n'));
}

namespace {
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
}  // namespace

QString surfaceSpeech(const LauncherState& s, bool launcherMode, const std::string& localIp, const GameState& g) {
    QStringList lines;
    if (s.alarmCount > 0) addLine(lines, q(kAlarmCaption) + QLatin1Char(' ') + q(kAlarmStopKeyHint));
    if (!launcherMode) {
        addLine(lines, gameSpeech(g, s.rowLevel));
        return lines.join(QLatin1Char('\n'));
    }
    const bool hovered = s.hoverIndex >= 0 && s.hoverIndex <= 9;
    const int n = hovered ? shownSlot(s, s.hoverIndex) : -1;
    const bool filled = n >= 0 && !s.slotPath[n].empty();
    if (!s.pendingPath.empty()) {
        if (filled) {
            const SlotSplit sp = shownSplit(s.slotPath[n]);
            addLine(lines, q(sp.folderPart).left(kSpokenChars));
            addLine(lines, q(sp.label).left(kSpokenChars));
            addLine(lines, q(kOverwriteWarning));
        } else {
            addLine(lines, QStringLiteral("どこに登録すればええのん？"));
            addLine(lines, QStringLiteral("番地を選んで 左：決行　右：キャンセル"));
        }
    } else if (n >= 0) {
        const SlotSplit sp = shownSplit(s.slotPath[n]);
        addLine(lines, q(sp.folderPart).left(kSpokenChars));
        addLine(lines, q(sp.label).left(kSpokenChars));
        addLine(lines, counts(s, n));
    } else {
        addLine(lines, QStringLiteral("ローカルIP:") + q(localIp));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace sorvel
