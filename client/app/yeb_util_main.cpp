#include "yeb_util_main.h"

#include "QYEButilApp.h"
#include "UtilLogLine.h"

extern "C" __attribute__((visibility("default"))) int yeb_util_main(int argc, char** argv)
{
    if (!QYEButilApp::isValidCommandLine(argc, argv)) {
        UtilLogLine() << "Invalid command line.";
        return -1;
    }
    QYEButilApp app(argc, argv);
    return app.exec();
}
