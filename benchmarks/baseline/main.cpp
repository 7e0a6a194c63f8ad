// The yardstick for start-up and memory: an empty Qt Widgets window with the
// game window's fixed size, 15 picture cells and three buttons, and nothing
// else: no pictures to decode, no sound, no rules.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Baseline"));
    window.setGeometry(181, 96, 336, 328);
    window.setFixedSize(336, 328);

    QPixmap cellPicture(32, 25);
    cellPicture.fill(Qt::darkYellow);
    for (int index = 0; index < 15; ++index) {
        auto* cell = new QLabel(&window);
        cell->setPixmap(cellPicture);
        cell->setGeometry(48 + (index % 5) * 48, 56 + (index / 5) * 48, 32, 25);
    }
    const char* captions[] = { "Start Game", "HELP", "QUIT" };
    for (int index = 0; index < 3; ++index) {
        auto* button = new QPushButton(QString::fromLatin1(captions[index]), &window);
        button->setGeometry(248, 16 + index * 32, 81, 25);
    }
    window.show();
    return QApplication::exec();
}
