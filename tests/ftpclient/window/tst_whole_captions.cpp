// Every caption of the window and of the connect dialog shows whole: in its
// font and in one a size larger, and (run once more with QT_FONT_DPI=144) at
// 144 dpi.
#include "connect/connect_frm.h"
#include "scripted_prompter.h"
#include "window/security_mark.h"
#include "window/tarlen_frm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The room a push button draws its caption in, and the room the caption
// takes.
bool pushButtonFits(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    const QRect room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    if (!button->icon().isNull())
        text.rwidth() += button->iconSize().width() + 4;
    return text.width() <= room.width() && text.height() <= room.height();
}

// A choice box's field holds a line of its text; one that cannot be typed
// in is as wide as its longest choice needs.
bool comboBoxFits(const QComboBox* combo) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    return combo->fontMetrics().height() <= field.height() &&
           (combo->isEditable() || combo->sizeHint().width() <= combo->width());
}

// Whether `w` shows all of its text in its own box.
bool textFits(const QWidget* w) {
    if (const auto* button = qobject_cast<const QPushButton*>(w))
        return button->text().isEmpty() || pushButtonFits(button);
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty())
            return true;
        if (label->wordWrap())
            return label->heightForWidth(label->width()) <= label->height();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(w))
        return comboBoxFits(combo);
    if (qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
        qobject_cast<const SecurityMark*>(w)) {
        const QSize needed = w->sizeHint();
        return needed.width() <= w->width() && needed.height() <= w->height();
    }
    return true;
}

// Whether `w` lies wholly inside each of its parents up to `top`.
bool insideItsParents(const QWidget* w, const QWidget* top) {
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        if (!p->rect().contains(QRect(w->mapTo(p, QPoint(0, 0)), w->size())))
            return false;
        if (p == top)
            break;
    }
    return true;
}

// The visible labels, buttons, choice boxes and security mark of `top` that show only part
// of their text, with where they are and how much room they would need.
QStringList cutCaptions(const QWidget* top) {
    QStringList cut;
    for (const QWidget* w : top->findChildren<QWidget*>()) {
        const bool caption =
            qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
            qobject_cast<const QComboBox*>(w) || qobject_cast<const SecurityMark*>(w);
        if (!caption || !w->isVisibleTo(top) || (textFits(w) && insideItsParents(w, top)))
            continue;
        const QRect at(w->mapTo(top, QPoint(0, 0)), w->size());
        const QString text = w->property("text").toString();
        cut << QStringLiteral("%1 \"%2\" at %3,%4 %5x%6 wants %7x%8")
                   .arg(w->metaObject()->className(), text)
                   .arg(at.x())
                   .arg(at.y())
                   .arg(at.width())
                   .arg(at.height())
                   .arg(w->sizeHint().width())
                   .arg(w->sizeHint().height());
    }
    return cut;
}

} // namespace

class TestWholeCaptions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void everyCaptionShowsWhole_data();
    void everyCaptionShowsWhole();

private:
    QTemporaryDir m_config;
    QFont m_font;
    ScriptedPrompter m_prompter;
};

void TestWholeCaptions::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.path()));
    m_font = QApplication::font();
}

void TestWholeCaptions::cleanup() {
    QApplication::setFont(m_font);
}

void TestWholeCaptions::everyCaptionShowsWhole_data() {
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<double>("largerBy");
    QTest::newRow("window") << false << 0.0;
    QTest::newRow("window, font a size larger") << false << 1.0;
    QTest::newRow("connect dialog") << true << 0.0;
    QTest::newRow("connect dialog, font a size larger") << true << 1.0;
}

void TestWholeCaptions::everyCaptionShowsWhole() {
    QFETCH(bool, dialog);
    QFETCH(double, largerBy);
    QFont font = m_font;
    font.setPointSizeF(font.pointSizeF() + largerBy);
    QApplication::setFont(font);

    std::unique_ptr<QWidget> shown;
    HostProfiles profiles;
    if (dialog) {
        auto connectDialog = std::make_unique<Connect_Frm>(profiles, m_prompter, QString());
        // Plain FTP shows the warning row too.
        connectDialog->Cmb_Protocol->setCurrentIndex(
            connectDialog->Cmb_Protocol->findData(int(ServerProtocol::PlainFtp)));
        shown = std::move(connectDialog);
    } else {
        auto window = std::make_unique<TARLEN_Frm>(m_prompter);
        // The window has a font of its own.
        QFont windowFont = window->font();
        windowFont.setPointSizeF(windowFont.pointSizeF() + largerBy);
        window->setFont(windowFont);
        window->settingsStore().setFile(m_config.filePath(QStringLiteral("tarlen.ini")));
        window->Form_Load();
        // The longer of the two words on the connection.
        window->parts().Lbl_Security->showSecurity(ConnectionSecurity());
        shown = std::move(window);
    }
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
    const QStringList cut = cutCaptions(shown.get());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
}

QTEST_MAIN(TestWholeCaptions)

#include "tst_whole_captions.moc"
