#include "dialogs.h"
#include "form1.h"
#include "terminationsignals.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[]) {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brackwater"));
    QApplication::setApplicationName(QStringLiteral("Quillbrook"));

    quillbrook::QtDialogs dialogs;
    quillbrook::Form1 window(
        {dialogs, QCoreApplication::applicationDirPath(), quillbrook::timeSeededDraw()});
    dialogs.setOwner(&window);
    quillbrook::closeOnTerminationSignals(window);

    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    return application.exec();
}
