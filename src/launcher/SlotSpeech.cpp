#include "launcher/SlotSpeech.h"

#include "launcher/PanelText.h"
#include "launcher/SlotRules.h"

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

QString surfaceSpeech(const LauncherState& s, const std::string& localIp) {
    return panelSpokenText(panelText(s, localIp));
}

QString pageBannerTop(int page) { return QString::number(page * 10) + QStringLiteral("番地～"); }
QString pageBannerBottom(int page) { return QStringLiteral("  ") + QString::number(page * 10 + 9) + QStringLiteral("番地"); }
QString pageRangeSpeech(int page) { return pageBannerTop(page) + pageBannerBottom(page).trimmed(); }

}  // namespace sorvel
