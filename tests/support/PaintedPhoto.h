#pragma once
// For the Qt test programs and the window bench: the support library itself links no Qt.
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>

namespace support {

// Something like a photo: a sky, a hill and grain, so that it compresses as a photo does.
inline QImage paintedPhoto(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv((200 + seed * 23) % 360, 120, 230));
    sky.setColorAt(1, QColor::fromHsv((30 + seed * 41) % 360, 90, 250));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor::fromHsv((100 + seed * 13) % 360, 160, 120));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(width * 0.3, height * 1.1), width * 0.8, height * 0.5);
    painter.end();
    QRandomGenerator grain(static_cast<quint32>(seed));
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = int(grain.bounded(13)) - 6;
            row[x] = qRgb(std::clamp(qRed(row[x]) + noise, 0, 255), std::clamp(qGreen(row[x]) + noise, 0, 255),
                          std::clamp(qBlue(row[x]) + noise, 0, 255));
        }
    }
    return image;
}

} // namespace support
