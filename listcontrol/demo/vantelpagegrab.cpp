// Saves pictures of the Vantel property page, filled from a control placed
// at design time, and of the about box.
//
//   vantel-pagegrab <property-page.png> <about-box.png>

#include <QApplication>
#include <QComboBox>
#include <QTextStream>
#include <vantel/vantelaboutbox.h>
#include <vantel/vantelctrl.h>
#include <vantel/vantelfactory.h>
#include <vantel/vantelids.h>
#include <vantel/vantelproppage.h>

namespace {

bool save(QWidget& widget, const QString& path) {
    widget.show();
    QApplication::processEvents();
    if (widget.grab().save(path))
        return true;
    QTextStream(stderr) << "cannot write " << path << '\n';
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: vantel-pagegrab <property-page.png> <about-box.png>\n";
        return 2;
    }
    QWidget* object = nullptr;
    VantelClassFactory* factory = vantelClassFactory(VantelIds::ControlClass);
    if (!factory ||
        factory->CreateInstance(nullptr, {false, QStringLiteral("LstX_Files")}, &object) != 0)
        return 1;
    auto* control = qobject_cast<CVantelCtrl*>(object);
    control->SetImageOffset(2);
    control->SetTextOffset(22);
    control->SetItemDefHeight(18);
    control->SetMultiSelect(2);
    control->SetVerticalTextAlign(1);
    control->SetVerticalImageAlign(1);
    control->SetHScroll(true);

    CVantelPropPage page;
    page.setObjects({control});
    CVantelAboutBox about;
    const bool ok =
        save(page, QString::fromLocal8Bit(argv[1])) && save(about, QString::fromLocal8Bit(argv[2]));
    delete control;
    return ok ? 0 : 1;
}
