#include "platform/RealServices.h"

#include "platform/Links.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "platform/DesktopEntry.h"
#include "platform/Executable.h"

namespace sorvel {

int64_t SteadyClock::nowMs() {
    using namespace std::chrono;
    // Offset so that the first reading is never near zero.
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1000000;
}

std::string SteadyClock::timeOfDay() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    return buf;
}

namespace {
constexpr int kShellOk = 42;
constexpr int kShellNotFound = 2;
constexpr int kShellFailed = 31;

bool openWithOpener(const QString& target, const QString& dir) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) return QProcess::startDetached(opener, {target}, dir);
    return QDesktopServices::openUrl(QUrl(target));
}
}  // namespace

int DesktopShell::execute(const std::optional<std::string>& operation, const std::string& file,
                          const std::optional<std::string>& parameters, const std::optional<std::string>& directory,
                          int) {
    if (file.empty()) return kShellNotFound;
    const QString f = QString::fromStdString(file);
    QString dir = directory ? QString::fromStdString(*directory) : QString();
    if (!dir.isEmpty() && !QFileInfo(dir).isDir()) dir.clear();
    if (linkSchemeLength(file, LinkCase::CommonSchemesAnyCase) > 0) {
        // Schemes ignore letter case; the opener gets them in lower case.
        const qsizetype n = f.indexOf(QLatin1Char(':'));
        const QString url = f.left(n).toLower() + f.mid(n);
        return openWithOpener(url, dir) ? kShellOk : kShellFailed;
    }

    const QFileInfo fi(f);
    if (!fi.exists()) return kShellNotFound;
    // "//" (the root as the file dialog writes it) and "//x" are "/" and "/x".
    const QString abs = QDir::cleanPath(fi.absoluteFilePath());
    const bool defaultOp = !operation || operation->empty();
    // A desktop entry starts the application it describes; a link entry
    // opens its address; other kinds go to the opener like any file. A file
    // that is no entry at all is not handed to a text editor.
    if (defaultOp && fi.isFile() && isDesktopEntry(file)) {
        const std::string local = QFile::encodeName(abs).toStdString();
        std::string url;
        switch (desktopEntryType(local, &url)) {
        case DesktopEntryType::Application: {
            std::string why;
            if (launchDesktopEntry(local, &why)) return kShellOk;
            std::fprintf(stderr, "sorvel_p: cannot start %s: %s\n", local.c_str(), why.c_str());
            return kShellFailed;
        }
        case DesktopEntryType::Invalid:
            std::fprintf(stderr, "sorvel_p: cannot start %s: not a readable desktop entry\n", local.c_str());
            return kShellFailed;
        case DesktopEntryType::Link: {
            // Only a real address: nothing that could pass for an option.
            const QString u = QString::fromStdString(url);
            if (!QUrl(u, QUrl::StrictMode).scheme().isEmpty()) return openWithOpener(u, dir) ? kShellOk : kShellFailed;
            break;
        }
        case DesktopEntryType::Other:
            break;
        }
        return openWithOpener(QUrl::fromLocalFile(abs).toString(QUrl::FullyEncoded), dir) ? kShellOk : kShellFailed;
    }
    if (defaultOp && canStartDirectly(QFile::encodeName(abs).toStdString())) {
        QStringList args;
        if (parameters && !parameters->empty()) args = QProcess::splitCommand(QString::fromStdString(*parameters));
        if (QProcess::startDetached(abs, args, dir)) return kShellOk;
        // A program that cannot start is opened like any other file.
    }
    return openWithOpener(QUrl::fromLocalFile(abs).toString(QUrl::FullyEncoded), dir) ? kShellOk : kShellFailed;
}

bool DesktopShell::startProgram(const std::string& program, const std::string& directory) {
    return QProcess::startDetached(QString::fromStdString(program), {}, QString::fromStdString(directory));
}

void DesktopBeeper::beep() { QApplication::beep(); }

bool QtClipboard::setText(const std::string& text) {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) return false;
    cb->setText(QString::fromStdString(text), QClipboard::Clipboard);
    return true;
}

std::string NetworkLocalAddress::localIp() {
    using namespace std::chrono;
    const int64_t now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    // The address list costs a few system calls; refresh it every few seconds.
    if (cachedAt_ >= 0 && now - cachedAt_ < 5000) return cached_;
    std::string ip = "127.0.0.1";
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
        for (ifaddrs* a = list; a; a = a->ifa_next) {
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
            if (!(a->ifa_flags & IFF_UP) || (a->ifa_flags & IFF_LOOPBACK)) continue;
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
            if ((ntohl(in->sin_addr.s_addr) >> 24) == 127) continue;
            char buf[INET_ADDRSTRLEN] = {};
            if (::inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf)) {
                ip = buf;
                break;
            }
        }
        ::freeifaddrs(list);
    }
    cached_ = ip;
    cachedAt_ = now;
    return ip;
}

}  // namespace sorvel
