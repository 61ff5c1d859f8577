// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What Linux's /proc says about a process and the processes it started (the
// engine's zygote, renderers and GPU process are children or grandchildren of
// the program). A /proc file has no size, so each is read whole.

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <map>
#include <sys/types.h>
#include <vector>

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

// The process and every process it started, the root first.
inline std::vector<pid_t> tree(pid_t root)
{
    std::multimap<pid_t, pid_t> children;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const pid_t pid = entry.toInt(&ok);
        const QByteArrayList fields = ok ? statFields(pid) : QByteArrayList();
        if (fields.size() > 1)
            children.emplace(pid_t(fields.at(1).toInt()), pid);
    }
    std::vector<pid_t> all{root};
    for (size_t i = 0; i < all.size(); ++i)
        for (auto [it, end] = children.equal_range(all[i]); it != end; ++it)
            all.push_back(it->second);
    return all;
}

// A "Name:   value kB" line of /proc/PID/smaps_rollup, in KiB; 0 if absent.
inline qint64 memoryKiB(pid_t pid, QByteArrayView name)
{
    const QByteArray text = read(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    for (const QByteArray &line : text.split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// What each living process of a tree holds in memory, its proportional
// share (PSS) in KiB, the root first. An ended renderer waits as a zombie
// until the engine collects it; it holds nothing and is left out.
inline std::vector<qint64> pssKiB(pid_t root)
{
    std::vector<qint64> each;
    for (pid_t pid : tree(root))
        if (runs(pid))
            each.push_back(memoryKiB(pid, "Pss:"));
    return each;
}

// How long each thread of the processes has run, in nanoseconds, by thread
// id: the kernel's exact count (the first field of schedstat), where the
// clock ticks of stat charge a thread by where the 10 ms tick falls.
inline std::map<qint64, qint64> threadRunNs(const std::vector<pid_t> &pids)
{
    std::map<qint64, qint64> ns;
    for (pid_t pid : pids) {
        const QString task = QStringLiteral("/proc/%1/task/").arg(pid);
        for (const QString &tid : QDir(task).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QByteArray line = read(task + tid + QStringLiteral("/schedstat"));
            if (!line.isEmpty())
                ns[tid.toLongLong()] = line.split(' ').first().toLongLong();
        }
    }
    return ns;
}

} // namespace quorvel::testing::procfs
