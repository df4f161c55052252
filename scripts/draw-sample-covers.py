# Draws the covers of the sample e-books into a folder. Run through calibre's
# own Python, which carries Qt:  calibre-debug -e draw-sample-covers.py -- FOLDER
import math
import sys

from qt.core import (QBrush, QColor, QFont, QGuiApplication, QImage, QLinearGradient, QPainter,
                     QPen, QPointF, QRadialGradient, QRectF, Qt)

WIDTH, HEIGHT = 480, 640


def framed(painter, top, bottom):
    gradient = QLinearGradient(0, 0, 0, HEIGHT)
    gradient.setColorAt(0, QColor(top))
    gradient.setColorAt(1, QColor(bottom))
    painter.fillRect(0, 0, WIDTH, HEIGHT, QBrush(gradient))
    painter.setPen(QPen(QColor('#f4e9c8'), 6))
    painter.setBrush(Qt.BrushStyle.NoBrush)
    painter.drawRect(QRectF(18, 18, WIDTH - 36, HEIGHT - 36))


def caption(painter, title, subtitle):
    painter.setPen(QColor('#f4e9c8'))
    painter.setFont(QFont('DejaVu Serif', 30, QFont.Weight.Bold))
    painter.drawText(QRectF(40, 40, WIDTH - 80, 130),
                     Qt.AlignmentFlag.AlignCenter | Qt.TextFlag.TextWordWrap, title)
    painter.setFont(QFont('DejaVu Serif', 16))
    painter.drawText(QRectF(40, HEIGHT - 110, WIDTH - 80, 60), Qt.AlignmentFlag.AlignCenter,
                     subtitle)


def grapes(painter):
    painter.setPen(QPen(QColor('#5b3a1a'), 10))
    painter.drawLine(QPointF(120, 200), QPointF(360, 220))
    painter.setPen(QPen(QColor('#2f1b4a'), 2))
    painter.setBrush(QColor('#6a3d9a'))
    for row in range(6):
        for column in range(6 - row):
            x = 240 - (5 - row) * 17 + column * 34
            painter.drawEllipse(QPointF(x, 250 + row * 30), 17, 17)
    painter.setBrush(QColor('#3f7a3a'))
    painter.setPen(Qt.PenStyle.NoPen)
    painter.drawEllipse(QPointF(300, 215), 45, 22)


def lamp(painter):
    glow = QRadialGradient(QPointF(240, 250), 150)
    glow.setColorAt(0, QColor(255, 214, 120, 230))
    glow.setColorAt(1, QColor(255, 214, 120, 0))
    painter.setPen(Qt.PenStyle.NoPen)
    painter.setBrush(QBrush(glow))
    painter.drawEllipse(QPointF(240, 250), 150, 150)
    painter.setBrush(QColor('#1c1c1c'))
    painter.drawRect(QRectF(232, 290, 16, 230))
    painter.drawRect(QRectF(200, 515, 80, 14))
    painter.setBrush(QColor('#ffe08a'))
    painter.setPen(QPen(QColor('#1c1c1c'), 6))
    painter.drawPolygon([QPointF(205, 215), QPointF(275, 215), QPointF(262, 290),
                         QPointF(218, 290)])


def rose(painter):
    painter.setPen(QPen(QColor('#2e5e2a'), 8))
    painter.drawLine(QPointF(240, 300), QPointF(240, 500))
    painter.setPen(Qt.PenStyle.NoPen)
    for ring, (radius, colour) in enumerate([(70, '#8e1b2b'), (50, '#b3243a'), (28, '#d9445a')]):
        painter.setBrush(QColor(colour))
        for petal in range(5):
            angle = 2 * math.pi * petal / 5 + ring * 0.6
            centre = QPointF(240 + radius * 0.45 * math.cos(angle),
                             270 + radius * 0.45 * math.sin(angle))
            painter.drawEllipse(centre, radius * 0.6, radius * 0.6)


COVERS = {
    'aesop-three-fables': ('#20402a', '#0d1f14', 'Three Fables of Aesop', 'retold', grapes),
    'the-lamplighter': ('#16213e', '#05070f', 'The Lamplighter of Brackwater', 'a short story',
                        lamp),
    'two-poems': ('#3b1d2b', '#170a11', 'Zwei Gedichte – Deux poèmes', 'Goethe · La Fontaine',
                  rose),
}


def main(folder):
    application = QGuiApplication([])
    for name, (top, bottom, title, subtitle, picture) in COVERS.items():
        image = QImage(WIDTH, HEIGHT, QImage.Format.Format_RGB32)
        painter = QPainter(image)
        painter.setRenderHint(QPainter.RenderHint.Antialiasing)
        framed(painter, top, bottom)
        picture(painter)
        caption(painter, title, subtitle)
        painter.end()
        if not image.save(f'{folder}/{name}.png'):
            sys.exit(f'could not write the cover {name}.png')
    del application


main(sys.argv[-1])
