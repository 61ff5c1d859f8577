// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the benchmark reads of Linux's /proc about the program and the
// processes it started (the engine's zygote, renderers and GPU process are
// children or grandchildren of the program): the tree, memory, run time.

#include "procfs.h" // tests/support: reading /proc, whether a process runs

#include <QDir>
#include <map>
#include <vector>

namespace bench::procfs {

using quorvel::testing::procfs::read;
using quorvel::testing::procfs::runs;
using quorvel::testing::procfs::statFields;

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

} // namespace bench::procfs
