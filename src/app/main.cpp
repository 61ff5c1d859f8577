#include "app/screenregistry.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    quorvel::prepareProcess();
    QApplication app(argc, argv);
    quorvel::prepareApplication();

    int status = 0;
    {
        quorvel::ScreenRegistry registry;
        quorvel::startCourse(registry);
        status = app.exec();
    } // every window, and with them the browser views, goes before the application
    return status;
}
