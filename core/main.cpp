#include <QDebug>

#include "core/VornhelmApplication.h"

int main(int argc, char** argv)
{
    qDebug() << "*** ENTERED MAIN FUNCTION IN MAIN.CPP ***";
    VornhelmApplication app(argc, argv);
    return app.run();
}
