#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora Audio Recorder"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Velmora Audio Recorder"));
    window.resize(960, 640);
    window.show();
    return app.exec();
}
