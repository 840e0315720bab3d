#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setObjectName(QStringLiteral("Frm_Main"));
    window.setWindowTitle(QStringLiteral("Quillon: Tools VANDREL"));
    window.show();
    return app.exec();
}
