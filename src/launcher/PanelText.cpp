#include "launcher/PanelText.h"

#include <QStringList>

#include "launcher/SlotRules.h"

namespace sorvel {

const char* const kOverwriteWarning = "を上書きせなあかんよ";

namespace {
// More than any panel line can show (255 characters).
constexpr size_t kShownBytes = 1024;
constexpr int kShownChars = 255;

QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

int hoveredSlot(const LauncherState& s) {
    const int i = hoveredButton(s);
    if (i < 0) return -1;
    const int n = slotNumber(s.slotPage, i);
    return n >= 0 && n < kSlotCount ? n : -1;
}

QString localAddressLine(const std::string& localIp) { return QStringLiteral("ローカルIP:") + q(localIp); }

PanelText panelText(const LauncherState& s, const std::string& localIp) {
    PanelText t;
    const int n = hoveredSlot(s);
    const bool filled = n >= 0 && !s.slotPath[n].empty();
    auto slotLines = [&](const QString& third) {
        SlotSplit sp;
        if (filled) sp = splitSlotForDisplay(s.slotPath[n], pathSepFor(s.slotPath[n], kPathSep), kShownBytes);
        t.lines = {q(sp.folderPart).left(kShownChars), (QStringLiteral(" ") + q(sp.label)).left(kShownChars), third};
    };
    if (!s.pendingPath.empty()) {
        if (filled) {
            t.content = PanelContent::Overwrite;
            slotLines(QStringLiteral("  ") + QString::fromUtf8(kOverwriteWarning));
        } else {
            t.content = PanelContent::Question;
            t.lines = {QStringLiteral("どこに登録すればええのん？"), QStringLiteral(" 番地を選んで 左：決行　右：キャンセル")};
        }
    } else if (n >= 0) {
        t.content = PanelContent::Slot;
        slotLines(QStringLiteral(" 利用回数:") + QString::number(s.slotUseCount[n]) + QStringLiteral(" 今回:") +
                  QString::number(s.slotSessionCount[n]));
    } else {
        t.lines = {localAddressLine(localIp)};
    }
    return t;
}

QString panelPrintText(const PanelText& t, const std::string& lineBreak) {
    QString out;
    for (size_t i = 0; i < t.lines.size(); ++i) {
        if (i > 0) out += q(lineBreak);
        out += t.lines[i];
    }
    return t.content == PanelContent::Question ? out.left(100) : out;
}

QString panelSpokenText(const PanelText& t) {
    QStringList spoken;
    for (const QString& l : t.lines) {
        const QString line = l.trimmed();
        if (!line.isEmpty()) spoken << line;
    }
    return spoken.join(QLatin1Char('\n'));
}

}  // namespace sorvel
