#include "scratchpage.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

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

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = encode(text);
    // A full disk can let write() and even commit() report success while the
    // bytes went nowhere; flush() is where the shortfall shows.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason.isEmpty() ? QStringLiteral("the disk is full") : reason;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace quorvel::scratch
