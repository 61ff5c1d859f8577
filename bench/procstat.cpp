// SPDX-License-Identifier: GPL-3.0-or-later
#include "procstat.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <map>

namespace bench {

namespace {

// A /proc file has no size, so it is read whole rather than by lines.
long long fieldKiB(const QString &file, const QByteArray &name)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

} // namespace

std::vector<pid_t> processTree(pid_t root)
{
    std::multimap<pid_t, pid_t> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool ok = false;
        const pid_t pid = entry.toInt(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // The command name is in parentheses and may hold spaces.
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() > 1)
            children.emplace(pid_t(fields.at(1).toInt()), pid);
    }
    std::vector<pid_t> tree{root};
    for (size_t i = 0; i < tree.size(); ++i) {
        auto [from, to] = children.equal_range(tree[i]);
        for (auto it = from; it != to; ++it)
            tree.push_back(it->second);
    }
    return tree;
}

long long pssKiB(const std::vector<pid_t> &pids)
{
    long long total = 0;
    for (pid_t pid : pids)
        total += fieldKiB(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:");
    return total;
}

long long cpuTicks(const std::vector<pid_t> &pids)
{
    long long total = 0;
    for (pid_t pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        // utime and stime are fields 14 and 15 of stat, 12 and 13 after the name.
        if (fields.size() > 12)
            total += fields.at(11).toLongLong() + fields.at(12).toLongLong();
    }
    return total;
}

long long statusKiB(pid_t pid, const char *field)
{
    return fieldKiB(QStringLiteral("/proc/%1/status").arg(pid), field);
}

} // namespace bench
