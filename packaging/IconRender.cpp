// Renders the icon's SVG as square PNG files at the sizes the desktop's icon
// themes look for, so that the pictures always follow the one drawing.
//   corvane_iconrender ICON.svg OUTDIR SIZE...   writes OUTDIR/SIZE/corvane.png
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: corvane_iconrender ICON.svg OUTDIR SIZE...\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "corvane_iconrender: %s is not a valid SVG picture\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "corvane_iconrender: size %s is not from 16 to 1024\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString dir = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/%1").arg(size);
        QDir().mkpath(dir);
        if (!image.save(dir + QStringLiteral("/corvane.png"), "PNG")) {
            std::fprintf(stderr, "corvane_iconrender: %s/corvane.png could not be written\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
