// SPDX-License-Identifier: GPL-3.0-or-later
// A run of the program as the page writer's test sees it: writes the numbered
// texts 0, 1, 2... (each some 8 KB longer than the one before) to the page
// through the program's own writer, allowed files of LIMIT bytes at most, so
// that the kernel ends it (SIGXFSZ) inside the write of the first text
// longer than that.   robust_writer PAGE LIMIT
#include "preview/scratchpage.h"
#include "robust_text.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    rlimit limit;
    if (argc != 3 || getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    limit.rlim_cur = std::strtoull(argv[2], nullptr, 10);
    // An ignored SIGXFSZ (a parent's) would turn the kill into a failed write.
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0 || std::signal(SIGXFSZ, SIG_DFL) == SIG_ERR)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    for (quint32 n = 0;; ++n)
        if (const auto failure = quorvel::scratch::write(
                path, QString::fromLatin1(quorvel::testing::numberedText(n))))
            return std::fprintf(stderr, "text %u: %s\n", n, qPrintable(*failure)), 1;
}
