#include "scratchpage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
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
        const qint64 pid = QStringView(name).sliced(prefix.size(), name.size() - prefix.size() - 5).toLongLong(&ok);
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
    const QFileInfo info(path);
    if (info.isSymLink())
        return QStringLiteral("it is a link to another file, which the preview does not follow");
    if (info.exists() && !info.isFile())
        return QStringLiteral("something other than a file is in its place");
    // The write bits count as well as what the system allows us: the
    // administrator may replace any file, but a page marked read-only by its
    // owner is still one to leave alone.
    constexpr QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & anyWrite)))
        return QStringLiteral("the file is read-only");

    // Once a run, the first write to a page tidies up after runs killed
    // mid-write.
    static QSet<QString> tidied;
    if (!tidied.contains(path)) {
        removeLeftovers(info);
        tidied.insert(path);
    }

    const QString part = info.absoluteDir().filePath(
        partName(info.fileName(), QCoreApplication::applicationPid()));
    // Created afresh every time, so that nothing put in its place (a link
    // least of all) is ever written through.
    QFile::remove(part);
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return file.errorString();
    if (info.exists())
        file.setPermissions(info.permissions());
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
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(part.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), error);
    if (error) {
        QFile::remove(part);
        return QString::fromStdString(error.message());
    }
    return std::nullopt;
}

} // namespace quorvel::scratch
