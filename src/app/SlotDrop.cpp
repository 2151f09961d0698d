#include "app/SlotDrop.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace sorvel {

namespace {
std::optional<std::string> fromUrl(const QUrl& u) {
    if (!u.isValid() || u.scheme().isEmpty()) return std::nullopt;
    if (u.isLocalFile()) {
        QString path = u.toLocalFile();
        if (path.isEmpty() || !path.startsWith(QLatin1Char('/'))) return std::nullopt;
        if (QFileInfo(path).isDir() && !path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
        return path.toStdString();
    }
    return u.toString(QUrl::FullyEncoded).toStdString();
}
}  // namespace

std::optional<std::string> droppedTarget(const QMimeData& data) {
    if (data.hasUrls()) {
        const QList<QUrl> urls = data.urls();
        if (urls.isEmpty()) return std::nullopt;
        return fromUrl(urls.first());
    }
    if (data.hasText()) {
        const QString line = data.text().section(QLatin1Char('\n'), 0, 0).trimmed();
        if (line.startsWith(QLatin1Char('/'))) return fromUrl(QUrl::fromLocalFile(line));
        const QUrl u(line, QUrl::StrictMode);
        if (u.isValid() && !u.isLocalFile() && line.contains(QLatin1String("://"))) return fromUrl(u);
    }
    return std::nullopt;
}

}  // namespace sorvel
