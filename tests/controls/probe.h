#pragma once
// Rendering a widget offscreen and reading its pixels back.

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cstdlib>
#include <ostream>

namespace lumivex::test {

inline QImage renderWidget(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor pixelAt(const QImage& image, int x, int y)
{
    return QColor::fromRgb(image.pixel(x, y));
}

inline bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

inline QIcon solidIcon(const QColor& colour, int size = 12)
{
    QPixmap pixmap(size, size);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// A palette whose 3D colours are all told apart.
inline QPalette distinctPalette()
{
    QPalette pal;
    pal.setColor(QPalette::Button, QColor(128, 128, 128));
    pal.setColor(QPalette::ButtonText, QColor(0, 0, 0));
    pal.setColor(QPalette::Light, QColor(250, 250, 250));
    pal.setColor(QPalette::Midlight, QColor(200, 200, 200));
    pal.setColor(QPalette::Dark, QColor(60, 60, 60));
    pal.setColor(QPalette::Shadow, QColor(10, 10, 10));
    pal.setColor(QPalette::Window, QColor(90, 140, 90));
    pal.setColor(QPalette::WindowText, QColor(0, 0, 0));
    return pal;
}

}  // namespace lumivex::test

// gtest prints colours readably.
inline void PrintTo(const QColor& colour, std::ostream* os)
{
    *os << "RGB(" << colour.red() << ", " << colour.green() << ", " << colour.blue() << ")";
}
