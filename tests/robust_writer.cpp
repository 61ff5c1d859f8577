// A second process for the killed-mid-write test: writes the scratch page
// through the program's own writer, over and over, until it is killed. Each
// text says which it is and how long it is, so a reader can tell a whole one
// from a cut or mixed one.
#include "robust_text.h"
#include "workspace/scratchpage.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    for (quint32 i = 0;; ++i) {
        if (const auto failure = quorvel::scratch::write(path, quorvel::testing::numberedText(i))) {
            std::fprintf(stderr, "write failed: %s\n", qPrintable(*failure));
            return 1;
        }
        if (i == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
