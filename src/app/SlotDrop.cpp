#include "app/SlotDrop.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "platform/Links.h"

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
    // A link the slot takes as a link (and the opener opens as one); an
    // address of another form (magnet:?..., news:...) would be taken for a
    // file name and is not registered.
    std::string link = u.toString(QUrl::FullyEncoded).toStdString();
    if (linkSchemeLength(link) == 0) return std::nullopt;
    return link;
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
