// Writes the application icon into an icon theme folder, one PNG per size:
//   larkspan_icon_export FOLDER SIZE...   makes FOLDER/SIZExSIZE/apps/larkspan.png
// The icon is drawn by the program itself (resources/images.cpp), so the files are made from that drawing
// at build time rather than kept beside it.

#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QImage>
#include <QString>

#include "resources/images.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "%s: not a size: %s\n", argv[0], argv[i]);
            return 2;
        }
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString file = apps + QStringLiteral("/larkspan.png");
        if (!QDir().mkpath(apps) || !larkspan::resources::ApplicationIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
            return 1;
        }
    }
    return 0;
}
