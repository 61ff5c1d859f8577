// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What Linux's /proc says about a process: whether it still runs. The
// benchmark reads more of it (bench/procfs.h). A /proc file has no size, so
// each is read whole.

#include <QByteArrayList>
#include <QFile>
#include <sys/types.h>

namespace quorvel::testing::procfs {

inline QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The fields of /proc/PID/stat after the command name, which is in
// parentheses and may hold spaces: [0] is the state, [1] the parent's id.
// Empty once the process is gone.
inline QByteArrayList statFields(qint64 pid)
{
    const QByteArray line = read(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 ? QByteArrayList() : line.mid(close + 2).split(' ');
}

// Whether a process exists and has not ended (a zombie has ended).
inline bool runs(qint64 pid)
{
    const QByteArrayList fields = statFields(pid);
    return !fields.isEmpty() && fields.first() != "Z";
}

} // namespace quorvel::testing::procfs
