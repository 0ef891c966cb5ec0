#include "common/prompter.h"
#include "window/tarlen_frm.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarlen"));
    WidgetPrompter prompter;
    TARLEN_Frm window(prompter);
    prompter.setParent(&window);
    window.Form_Load();
    window.show();
    return app.exec();
}
