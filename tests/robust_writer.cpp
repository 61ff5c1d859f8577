// SPDX-License-Identifier: GPL-3.0-or-later
// A running copy of the program as the page writer's test sees it: writes the
// scratch page through the program's own writer until it is killed, copy K of
// two the numbered texts that leave K when halved, and says "ready" after the
// first.   robust_writer PAGE K
#include "robust_text.h"
#include "workspace/scratchpage.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    for (quint32 i = 0;; ++i) {
        const QString text =
            QString::fromLatin1(quorvel::testing::numberedText(2 * i + (argv[2][0] - '0')));
        if (const auto failure = quorvel::scratch::write(path, text))
            return std::fprintf(stderr, "write failed: %s\n", qPrintable(*failure)), 1;
        if (i == 0)
            std::puts("ready"), std::fflush(stdout);
    }
}
