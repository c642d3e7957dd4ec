// bmp_from_picture IN OUT: writes the picture IN as the BMP file OUT, the way
// the program itself writes RES/bk.bmp, and checks that it reads back.
// An installed RES is read-only, so the package has to carry this file.
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // image format plugins are found through it
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PICTURE OUT.bmp\n", argv[0]);
        return 2;
    }
    const QString in = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);

    QImageReader reader(in);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }

    QSaveFile file(out);
    QImageWriter writer(&file, "bmp");
    if (!file.open(QIODevice::WriteOnly) || !writer.write(picture) || !file.commit()) {
        std::fprintf(stderr, "%s: cannot write: %s\n", argv[2], qPrintable(writer.errorString()));
        return 1;
    }

    // Read it back exactly as the program does: as BMP, no guessing.
    QImageReader check(out, "bmp");
    check.setAutoDetectImageFormat(false);
    const QImage back = check.read();
    if (back.isNull() || back.size() != picture.size()) {
        std::fprintf(stderr, "%s: written but does not read back as BMP\n", argv[2]);
        return 1;
    }
    return 0;
}
