// SPDX-License-Identifier: GPL-3.0-or-later
// A run of the program as the page writer's test sees it: writes BEFORE to
// the page through the program's own writer (unless it is empty), then,
// allowed files of LIMIT bytes at most, a text one byte longer, inside whose
// write the kernel ends it (SIGXFSZ).   robust_writer PAGE LIMIT BEFORE
#include "preview/scratchpage.h"

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    rlimit limit;
    if (argc != 4 || getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    const QString page = QString::fromLocal8Bit(argv[1]);
    if (*argv[3] && quorvel::scratch::write(page, QString::fromLocal8Bit(argv[3])))
        return 2;
    limit.rlim_cur = std::strtoull(argv[2], nullptr, 10);
    // An ignored SIGXFSZ (a parent's) would turn the kill into a failed write.
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0 || std::signal(SIGXFSZ, SIG_DFL) == SIG_ERR)
        return 2;
    quorvel::scratch::write(page, QString(qsizetype(limit.rlim_cur) + 1, u'x'));
    return 1; // the kernel let the write go past the limit
}
