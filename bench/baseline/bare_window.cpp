#include <QApplication>
#include <QListView>
#include <QStringListModel>
#include <QVBoxLayout>
#include <QWidget>

// One QWidget holding one list view: what any Qt program pays to show a window.
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare-window"));
    auto *layout = new QVBoxLayout(&window);
    auto *list = new QListView(&window);
    list->setModel(new QStringListModel(&window));
    layout->addWidget(list);
    window.resize(259, 481);
    window.show();
    return QApplication::exec();
}
