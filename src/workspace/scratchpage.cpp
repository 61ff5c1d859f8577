// SPDX-License-Identifier: GPL-3.0-or-later
#include "scratchpage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/types.h>
#endif

namespace quorvel::scratch {

QString defaultPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\customizer.html");
#else
    return QDir::home().filePath(QStringLiteral("customizer.html"));
#endif
}

namespace {

// The copy being written goes beside the page under a name of this run's
// own, "<dir>/.customizer.html.<pid>.part", and is renamed over the page once
// it is whole. A run killed mid-write leaves at most that one copy behind.
QString partName(const QString &pageName, qint64 pid)
{
    return QStringLiteral(".%1.%2.part").arg(pageName).arg(pid);
}

bool running(qint64 pid)
{
#ifdef Q_OS_UNIX
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#else
    Q_UNUSED(pid);
    return true;
#endif
}

// Clears away the copies that runs which have since ended left beside the
// page; a copy of a run still going is that run's to replace.
void removeLeftovers(const QFileInfo &page)
{
    const QString prefix = QStringLiteral(".%1.").arg(page.fileName());
    const QDir dir = page.absoluteDir();
    const QStringList names = dir.entryList({prefix + QStringLiteral("*.part")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        bool ok = false;
        const qint64 pid = QStringView(name)
                               .sliced(prefix.size(), name.size() - prefix.size() - 5)
                               .toLongLong(&ok);
        if (ok && pid != QCoreApplication::applicationPid() && !running(pid))
            QFile::remove(dir.filePath(name));
    }
}

void appendReference(QByteArray &out, char32_t codePoint)
{
    char buf[16];
    const int n = std::snprintf(buf, sizeof buf, "&#%u;", static_cast<unsigned>(codePoint));
    out.append(buf, n);
}

} // namespace

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    const char16_t *u = text.utf16();
    for (qsizetype i = 0; i < n;) {
        // Runs of ASCII (as a rule the whole text) go across in one
        // conversion: this runs on every keystroke, and one append per
        // character cost ten milliseconds for a megabyte.
        qsizetype end = i;
        while (end < n && u[end] < 0x80)
            ++end;
        if (end > i) {
            out.append(text.sliced(i, end - i).toLatin1());
            i = end;
            continue;
        }
        const char16_t c = u[i];
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(u[i + 1])) {
            appendReference(out, QChar::surrogateToUcs4(c, u[i + 1]));
            i += 2;
        } else {
            appendReference(out, c);
            ++i;
        }
    }
    return out;
}

std::optional<QString> write(const QString &path, QStringView text)
{
    namespace fs = std::filesystem;
    const fs::path page(path.toStdU16String());
    // One look at the page, without following a link; this runs on every
    // keystroke.
    std::error_code error;
    const fs::file_status status = fs::symlink_status(page, error);
    const bool exists = fs::exists(status);
    if (fs::is_symlink(status))
        return QStringLiteral("it is a link to another file, which the preview does not follow");
    if (exists && !fs::is_regular_file(status))
        return QStringLiteral("something other than a file is in its place");
    // The write bits count as well as what the system allows us: the
    // administrator may replace any file, but a page marked read-only by its
    // owner is still one to leave alone.
    constexpr fs::perms anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (exists &&
        ((status.permissions() & anyWrite) == fs::perms::none || !QFileInfo(path).isWritable()))
        return QStringLiteral("the file is read-only");

    // The first write to a page in a run tidies up after runs killed
    // mid-write, and settles where this run's copy goes.
    static QHash<QString, QString> parts;
    auto known = parts.constFind(path);
    if (known == parts.cend()) {
        const QFileInfo info(path);
        removeLeftovers(info);
        known = parts.insert(path, info.absoluteDir().filePath(partName(
                                       info.fileName(), QCoreApplication::applicationPid())));
    }
    const QString &part = *known;
    // Created afresh every time, so that nothing put in its place (a link
    // least of all) is ever written through.
    QFile::remove(part);
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return file.errorString();
    if (exists)
        fs::permissions(fs::path(part.toStdU16String()), status.permissions(), error);
    const QByteArray bytes = encode(text);
    // A full disk can let write() report success while the bytes went
    // nowhere; flush() is where the shortfall shows.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.close();
        QFile::remove(part);
        return reason.isEmpty() ? QStringLiteral("the disk is full") : reason;
    }
    file.close();
    // Renamed over the page in one step: a reader sees the old page or the
    // new one, never part of either.
    fs::rename(fs::path(part.toStdU16String()), page, error);
    if (error) {
        QFile::remove(part);
        return QString::fromStdString(error.message());
    }
    return std::nullopt;
}

} // namespace quorvel::scratch
