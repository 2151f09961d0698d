// A temporary folder for tests, removed at the end.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

struct TempDir {
    QTemporaryDir dir;
    std::string path() const { return dir.path().toStdString() + "/"; }
    std::string file(const std::string& name) const { return path() + name; }
    void write(const std::string& name, const std::string& content) const {
        QFile f(QString::fromStdString(file(name)));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content.data(), static_cast<qint64>(content.size()));
    }
    std::string read(const std::string& name) const {
        QFile f(QString::fromStdString(file(name)));
        if (!f.open(QIODevice::ReadOnly)) return "<missing>";
        const QByteArray b = f.readAll();
        return std::string(b.constData(), static_cast<size_t>(b.size()));
    }
    bool exists(const std::string& name) const { return QFile::exists(QString::fromStdString(file(name))); }
};
