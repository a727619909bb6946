// Renders the program's SVG icon into PNG files at build time, with the same renderer the program
// uses for its window icon, so the installed sizes and the running program look alike.
//
//   krv_render_icon ICON.svg SIZE:OUT.png [SIZE:OUT.png]...
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>
#include <stdexcept>
#include <string>

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fputs("Usage: krv_render_icon ICON.svg SIZE:OUT.png [SIZE:OUT.png]...\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "krv_render_icon: %s is not a valid SVG image\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const std::string job = argv[i];
        const std::size_t colon = job.find(':');
        int size = 0;
        try {
            size = std::stoi(job.substr(0, colon));
        } catch (const std::exception&) {
            size = 0;
        }
        if (colon == std::string::npos || colon + 1 == job.size() || size < 1 || size > 4096) {
            std::fprintf(stderr, "krv_render_icon: '%s' is not SIZE:OUT.png\n", job.c_str());
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        const QString out = QString::fromLocal8Bit(job.substr(colon + 1).c_str());
        if (!image.save(out, "PNG")) {
            std::fprintf(stderr, "krv_render_icon: cannot write %s\n", job.c_str() + colon + 1);
            return 1;
        }
    }
    return 0;
}
