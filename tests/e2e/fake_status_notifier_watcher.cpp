// A StatusNotifier watcher for the end-to-end tests, on the session bus the test started: the
// test plays a panel by calling RegisterStatusNotifierHost over the bus, and reads the icons
// registered from the property RegisteredStatusNotifierItems.
#include "fakes/fake_status_notifier_watcher.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    FakeStatusNotifierWatcher watcher;
    watcher.start();
    return QCoreApplication::exec();
}
