// A running copy of the program as the page writer's test sees it: writes the
// scratch page through the program's own writer, over and over, until it is
// killed. Each text says which it is and how long it is, so a reader can tell
// a whole one from a cut or mixed one; copy K of two writes the texts whose
// numbers leave K when halved.
//   robust_writer PAGE K
#include "robust_text.h"
#include "workspace/scratchpage.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const quint32 copy = quint32(std::atoi(argv[2]));
    for (quint32 i = 0;; ++i) {
        if (const auto failure = quorvel::scratch::write(path, quorvel::testing::numberedText(2 * i + copy))) {
            std::fprintf(stderr, "write failed: %s\n", qPrintable(*failure));
            return 1;
        }
        if (i == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
